#include "qwinreportlist.h"
#include "reportlistcolumns.h"

#include "analystlistfunction.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "listslog.h"
#include "qlinklabel.h"
#include "listreadmarks.h"
#include "liststyle.h"
#include "reportlistquery.h"
#include "reportlistrequest.h"
#include "reportlistrow.h"
#include "reportpagestarts.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"
#include "usersettings.h"
#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

// The report list's context menu: opening, saving, following, favourites and copying.

using namespace reportlist;

namespace {

// The one download dialog shows while a report downloads; the main window drops any other
// download asked for meanwhile.
bool reportDownloadRunning()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](const QWidget *w) {
        return w->inherits("QDlgDownloadFile") && w->isVisible();
    });
}

bool copyFile(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        *error = target.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            *error = source.errorString();
            target.cancelWriting();
            return false;
        }
        if (target.write(chunk) != chunk.size()) {
            *error = target.errorString();
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        *error = target.errorString();
        return false;
    }
    return true;
}

} // namespace

void QWinReportList::popMenuOfReportList(const QPoint &pos)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    actShowReportOfInst->setText(QStringLiteral("查看机构报告 - ") + name);
    actAddConcernedInst->setText(QStringLiteral("添加关注机构 - ") + name);
    actRemoveConcernedInst->setText(QStringLiteral("取消关注机构 - ") + name);
    const bool concerned = isConcernedInst(name);
    actAddConcernedInst->setVisible(!concerned);
    actRemoveConcernedInst->setVisible(concerned);

    mnuFavorite->clear();
    mnuFavorite->addAction(actNewFav);
    mnuFavorite->addSeparator();
    const QString id = rowReportId(row);
    for (const QString &folder : getFavoriteNameList()) {
        QString text = folder;
        QAction *a = mnuFavorite->addAction(text.replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setFont(getAppFont());
        a->setData(folder);
        a->setCheckable(true);
        a->setChecked(isFavoriteReport(folder, id));
        connect(a, &QAction::triggered, this, &QWinReportList::addReportToFav);
    }
    execCellMenu(mnuReportList, tblReportList, pos);
}

void QWinReportList::viewReport()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem *item = tblReportList->item(row, ColDate);
    emit openFile(item->data(RoleId).toString(), getLocalFilePath(item->data(RoleFileName).toString()));
}

void QWinReportList::saveReport()
{
    const int row = currentRow();
    if (row < 0)
        return;
    QString dir = getSaveDir();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString fileName = tblReportList->item(row, ColDate)->data(RoleFileName).toString();
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("保存报告"), dir + QLatin1Char('/') + fileName,
                                                      QStringLiteral("All files (*.*)"));
    if (path.isEmpty())
        return;
    setSaveDir(QFileInfo(path).absolutePath());
    saveReportTo(row, path);
}

bool QWinReportList::saveReportTo(int row, const QString &path)
{
    const QTableWidgetItem *item = tblReportList->item(row, ColDate);
    if (!item || path.isEmpty())
        return false;
    const QString id = item->data(RoleId).toString();
    const QFileInfo local(getLocalFilePath(item->data(RoleFileName).toString()));
    const QFileInfo target(path);

    if (local.exists() && local.size() > 0) {
        if (local.absoluteFilePath() != target.absoluteFilePath()) {
            QString error;
            if (!copyFile(local.absoluteFilePath(), path, &error)) {
                qCWarning(lcLists) << "Saving a report copy failed:" << error;
                QMessageBox::critical(this, QStringLiteral("错误"),
                                      QStringLiteral("报告保存失败：") + path + QStringLiteral("\n") + error,
                                      QMessageBox::Ok);
                return false;
            }
        }
        emit openFile(id, path);
        return true;
    }

    // No local copy: the main window downloads into the chosen path when no file is there.
    if (reportDownloadRunning()) {
        QMessageBox::information(this, QStringLiteral("注意"),
                                 QStringLiteral("正在下载其他报告，请等下载完成后再保存。"), QMessageBox::Ok);
        return false;
    }
    if (target.exists() && !QFile::remove(path)) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("无法替换文件：") + path, QMessageBox::Ok);
        return false;
    }
    emit openFile(id, path);
    return true;
}

void QWinReportList::showReportOfInst()
{
    const int row = currentRow();
    if (row >= 0)
        emit showReportListOfInst(rowInst(row));
}

void QWinReportList::showReportOfAnls(const QString &analystId)
{
    emit showReportListOfAnls(analystId);
}

void QWinReportList::addConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    if (isConcernedInst(name) || !addToConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinReportList::removeConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    if (!isConcernedInst(name) || !removeFromConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinReportList::addReportToFav(bool checked)
{
    const int row = currentRow();
    auto *entry = qobject_cast<QAction *>(sender());
    if (row < 0 || !entry)
        return;
    const QString folder = entry->data().toString();
    const QString id = rowReportId(row);
    if (checked)
        addFavoriteReport(folder, id, true);
    else
        removeFavoriteReport(folder, id);
    markFavoriteReport();
}

void QWinReportList::newFav()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString id = rowReportId(row);
    bool ok = false;
    QString name = QInputDialog::getText(this, QStringLiteral("新建收藏夹"), QStringLiteral("请输入收藏夹名称"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    name = name.trimmed();
    if (name.isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("请填写收藏夹名称!"), QMessageBox::Ok);
        return;
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("收藏夹名称含有不恰当字符!"),
                              QMessageBox::Ok);
        return;
    }
    addFavoriteReport(name, id, true);
    markFavoriteReport();
    emit loadFavoriteListOfSidebar();
}

void QWinReportList::copyReportList()
{
    QString text;
    for (int r = 0; r < tblReportList->rowCount(); ++r) {
        const QTableWidgetItem *item = tblReportList->item(r, ColDate);
        const QTableWidgetItem *pages = tblReportList->item(r, ColPages);
        text += item->data(RolePublish).toString() + QLatin1Char('\t') + rowInst(r) + QLatin1Char('\t')
                + item->data(RoleTitle).toString() + QLatin1Char('\t') + item->data(RoleAnalysts).toString()
                + QLatin1Char('\t') + (pages ? pages->text() : QString()) + QLatin1Char('\n');
    }
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("报告列表已复制到剪贴板"), QMessageBox::Ok);
}
