// Opening report files: a local copy in its reader, else a download first.

#include "qwinmain.h"

#include "dialogplacement.h"

#include "globalstate.h"
#include "mainwindowlog.h"
#include "qdlgdownloadfile.h"
#include "usersettings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

// The reader program that opens PDF copies unless the user chose the system's reader.
const QString kPdfReaderProgram = QStringLiteral("FoxitReader.exe");

} // namespace

void QWinMain::openFile(const QString &rptID, const QString &localFilePath)
{
    if (!QFile::exists(localFilePath)) {
        startReportDownload(rptID, localFilePath);
        return;
    }
    const QFileInfo info(localFilePath);
    if (info.size() <= 0) {
        info.absoluteDir().remove(info.fileName());
        // The download dialog hands over what it has just stored: fetching it again would
        // only bring the same empty file.
        if (sender() == dlgDownloadFile) {
            qCWarning(lcMainWindow) << "downloaded report file is empty:" << rptID;
            QMessageBox::information(this, QStringLiteral("注意"),
                                     QStringLiteral("下载的报告文件为空，无法打开！"),
                                     QMessageBox::Ok);
            return;
        }
        startReportDownload(rptID, localFilePath);
        return;
    }
    openLocalFile(localFilePath);
}

void QWinMain::openLocalFile(const QString &localFilePath)
{
    const QString extension = localFilePath.mid(localFilePath.lastIndexOf(QLatin1Char('.')) + 1);
    if (extension.startsWith(QLatin1String("pdf")) && getPdfReader() == 0) {
        if (QProcess::startDetached(kPdfReaderProgram, {localFilePath}))
            return;
        qCInfo(lcMainWindow) << kPdfReaderProgram << "did not start; using the system's handler";
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(localFilePath)))
        return;
    QMessageBox::information(this, QStringLiteral("注意"),
                             QStringLiteral("您没有安装可打开") + extension
                                 + QStringLiteral("类型文件的程序！"),
                             QMessageBox::Ok);
}

void QWinMain::startReportDownload(const QString &rptID, const QString &localFilePath)
{
    // One download at a time, whether the dialog of the running one is on screen or not.
    if (dlgDownloadFile->isVisible() || dlgDownloadFile->isDownloading()) {
        dlgDownloadFile->declineWhileBusy(rptID);
        return;
    }
    placeKeptDialog(dlgDownloadFile);
    dlgDownloadFile->downloadReport(rptID, localFilePath);
}

void QWinMain::placeKeptDialog(QWidget *dialog)
{
    showPlaced(dialog, Qt::AlignCenter, this);
}
