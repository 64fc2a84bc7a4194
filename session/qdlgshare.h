#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QHttpClient;
namespace Ui {
class QDlgShare;
}

// Asks the service for a share id of one report, shows the public link, copies it to the
// clipboard and opens the Xueqiu and Weibo share pages in the browser. The main window makes
// one per share request; it deletes itself when closed.
class QDlgShare : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgShare(QWidget *parent = nullptr);
    ~QDlgShare() override;

    void requestShareLink(const QString &id, const QString &publisher, const QString &title,
                          const QString &code);

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void downloadFinished(int code, QByteArray body);
    void copyShareLink();
    void shareToXueQiu();
    void shareToWeibo();

private:
    void init();
    void setButtonsEnabled(bool enabled);

    Ui::QDlgShare *ui;
    bool mayClose = true;
    QHttpClient *client = nullptr;
    QString publisher;
    QString title;
    QString stockCode;
    QString link;
};
