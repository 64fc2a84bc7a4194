#pragma once

#include <QByteArray>
#include <QDialog>
#include <QHostInfo>
#include <QString>

class QHttpClient;
namespace Ui {
class QDlgNetwork;
}

// The connectivity test offered when a login fails: a usable network interface, the lookup of
// a public host name, and a request to the chosen service host's verify address. One line per
// step; the last one links to the proxy settings. Modal, deletes itself when closed.
//
// The public name looked up is "www.baidu.com", or the value of the environment variable
// TAMREL_LOOKUP_HOST when it is set (tests use "localhost" to reach the last step).
class QDlgNetwork : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgNetwork(QWidget *parent = nullptr);
    ~QDlgNetwork() override;

    static QString lookupHostName();
    // The lookup counts as failed when no answer came within this many seconds.
    static constexpr int kLookupTimeoutSeconds = 10;

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void testNetwork();
    bool hasInterface();
    bool isConnectedToNetwork();
    void lookedUp(const QHostInfo &info);
    void connectAuthServiceFinished(int code, QByteArray body);
    void onAuthServiceStatusClicked(const QString &link);

private:
    void init();
    void finishTest();
    void testInternet();
    void testAuthService();

    Ui::QDlgNetwork *ui;
    QHttpClient *client = nullptr;
    bool closable = true;
    int lookupId = -1;
};
