#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class QHttpClient;
namespace Ui {
class QDlgUpgrade;
}

// The forced upgrade: downloads the package named by the login reply into the user's desktop
// folder, offers to start it and starts it detached. Accepted once the package is stored
// (started or not), rejected through "关闭程序"; the caller runs it with exec() and deletes it.
class QDlgUpgrade : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgUpgrade(QWidget *parent = nullptr);
    ~QDlgUpgrade() override;

    // The name the package is stored under: the last part of the login reply's name, so
    // that it cannot leave the save folder; empty when there is none ("", ".", "..").
    static QString packageFileName(const QString &upgradeFileName);

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void downloadProgress(double percent);
    void downloadFinished(int code, QByteArray body);
    void startDownload();

private:
    void init();
    void setButtonsEnabled(bool enabled);
    void install(const QString &path);

    Ui::QDlgUpgrade *ui;
    QHttpClient *client = nullptr;
    QString saveDir;
    QString packagePath;
};
