#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPoint>
#include <QString>

class QHttpClient;
namespace Ui {
class QDlgLogin;
}

// The login: the user picks a service host and logs in with an account and password, or as a
// guest with both empty. On a reply that accepts the login the session and the user's lists are
// taken over, the object host is tested, the data directory is migrated, the database is opened
// and brought to its schema, and the dialog is accepted. A forced upgrade rejects it.
//
// The dialog deletes itself when it closes: create it on the heap and do not touch it after
// exec() returns.
class QDlgLogin : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgLogin(QWidget *parent = nullptr);
    ~QDlgLogin() override;

    // The machine identifier sent as "mac": the hardware address of the first interface that is
    // up and not a loopback, without colons; empty when there is none.
    static QString getMacAddress();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void downloadProgress(double percent);
    void loginFinished(int code, QByteArray body);
    void testFinished(int code, QByteArray body);
    void testObjectServer();
    void userLogin();
    void showProxyDialog();
    void showNetworkDialog();
    bool showUpgradeDialog();
    void serverChanged(int index);
    void switchLoginText();
    void onStatusClicked(const QString &link);

private:
    void init();
    void parseLoginReply(const QString &text);
    void parseTestReply(const QString &text);
    void migrateLocalData();
    void initDatabase();
    void setInputsEnabled(bool enabled);
    void reenable();
    void showStatus(const QString &text);
    void showStepStatus(const QString &text);

    Ui::QDlgLogin *ui;
    QPoint pressPos;
    QPoint windowPos;
    bool closable = false;
    QHttpClient *client = nullptr;
};
