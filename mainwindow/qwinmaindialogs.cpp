// The launchers of the dialogs that the main window opens.

#include "qwinmain.h"

#include "globalstate.h"
#include "qdlgabout.h"
#include "qdlganalyst.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlgblockmanage.h"
#include "qdlgbulletin.h"
#include "qdlgdisplay.h"
#include "qdlgfavoritemanage.h"
#include "qdlggenius.h"
#include "qdlghotrating.h"
#include "qdlginstmanage.h"
#include "qdlginstselect.h"
#include "qdlgoption.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgsubscribemanage.h"
#include "qdlgwebview.h"
#include "stockcache.h"

#include <QDesktopServices>
#include <QScopedPointer>
#include <QUrl>

namespace {

// A list editor runs modally; each change it reports rebuilds that side-bar menu at once, and
// the list windows re-mark their rows once it has closed, changed or not.
template <typename Dialog>
void runManageDialog(QWinMain *window, void (Dialog::*changed)(), void (QWinMain::*reload)(),
                     void (QWinMain::*mark)() = nullptr)
{
    {
        QScopedPointer<Dialog> dialog(new Dialog(window));
        QObject::connect(dialog.data(), changed, window, reload);
        dialog->exec();
    }
    if (mark)
        emit(window->*mark)();
}

// A dialog kept for the whole run: brought forward when open, else centred and shown. Minimized,
// it is restored first: Qt holds an activation back until the window is mapped.
bool raiseIfVisible(QWidget *dialog)
{
    if (!dialog->isVisible())
        return false;
    if (dialog->isMinimized())
        dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
    dialog->raise();
    dialog->activateWindow();
    return true;
}

} // namespace

void QWinMain::showBulletinDialog()
{
    const QString content = getBulletinContent();
    if (content.isEmpty())
        return;
    auto *dialog = new QDlgBulletin(this);
    dialog->setContent(content);
    dialog->show();
}

void QWinMain::shareReport(const QString &rptID, const QString &inst, const QString &title,
                           const QString &stkCode)
{
    auto *dialog = new QDlgShare(this);
    dialog->show();
    dialog->requestShareLink(rptID, inst, title, stkCode);
}

void QWinMain::showAboutDialog()
{
    (new QDlgAbout(this))->show();
}

void QWinMain::showProxyDialog()
{
    (new QDlgProxy(this))->show();
}

void QWinMain::showOptionDialog()
{
    (new QDlgOption(this))->show();
}

void QWinMain::showDisplayDialog()
{
    (new QDlgDisplay(this))->show();
}

void QWinMain::showHelpDialog()
{
    const QObject *item = sender();
    const QString topic = item ? item->property("HLP").toString() : QString();
    QDesktopServices::openUrl(QUrl(getHelpUrl(topic)));
}

QString QWinMain::showInstSelectDialog(const QString &rang)
{
    QScopedPointer<QDlgInstSelect> dialog(new QDlgInstSelect(this, rang));
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedInst() : QString();
}

void QWinMain::showInstManageDialog()
{
    runManageDialog(this, &QDlgInstManage::loadConcernedInstListOfSidebar,
                    &QWinMain::loadConcernedInstListOfSidebar, &QWinMain::markConcernedInst);
}

QString QWinMain::showGeniusDialog(const QString &key)
{
    QScopedPointer<QDlgGenius> dialog(new QDlgGenius(this));
    dialog->setKeyword(key);
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedStock() : QString();
}

void QWinMain::showWinDialog()
{
    if (raiseIfVisible(dlgWebview))
        return;
    dlgWebview->load();
    placeKeptDialog(dlgWebview);
}

void QWinMain::showAnalystDialog()
{
    if (!raiseIfVisible(dlgAnalyst))
        placeKeptDialog(dlgAnalyst);
}

void QWinMain::showBlockManageDialog()
{
    runManageDialog(this, &QDlgBlockManage::loadBlockListOfSidebar, &QWinMain::loadBlockListOfSidebar,
                    &QWinMain::markBlockedStock);
}

void QWinMain::showFavoriteManageDialog()
{
    runManageDialog(this, &QDlgFavoriteManage::loadFavoriteListOfSidebar,
                    &QWinMain::loadFavoriteListOfSidebar, &QWinMain::markFavoriteReport);
}

void QWinMain::showSubscribeManageDialog()
{
    runManageDialog(this, &QDlgSubscribeManage::loadSubscribeListOfSidebar,
                    &QWinMain::loadSubscribeListOfSidebar);
}

QString QWinMain::showAnalystSelectDialog()
{
    QScopedPointer<QDlgAnalystSelect> dialog(new QDlgAnalystSelect(this));
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedAnalyst() : QString();
}

void QWinMain::showAnalystManageDialog()
{
    runManageDialog(this, &QDlgAnalystManage::loadConcernedAnalystListOfSidebar,
                    &QWinMain::loadConcernedAnalystListOfSidebar, &QWinMain::markConcernedAnalyst);
}

void QWinMain::showHotRatingDialog()
{
    if (!raiseIfVisible(dlgHotRating))
        placeKeptDialog(dlgHotRating);
}

void QWinMain::showChartOfStock(const QString &key)
{
    const QString code = containsStockCode(key) ? key : showGeniusDialog(key);
    if (!code.isEmpty())
        emit showChart(code);
}

void QWinMain::onShortcutMenuClicked(const QString &link)
{
    if (link.startsWith(QLatin1String("showWinDialog")))
        showWinDialog();
}
