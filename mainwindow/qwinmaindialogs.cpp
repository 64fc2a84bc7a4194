// The launchers of the dialogs that the main window opens.

#include "qwinmain.h"

#include "globalstate.h"
#include "qdlgbulletin.h"
#include "qdlgshare.h"

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

void QWinMain::showAboutDialog() {}

void QWinMain::showProxyDialog() {}

void QWinMain::showOptionDialog() {}

void QWinMain::showDisplayDialog() {}

void QWinMain::showHelpDialog() {}

QString QWinMain::showInstSelectDialog(const QString &rang)
{
    Q_UNUSED(rang)
    return QString();
}

void QWinMain::showInstManageDialog() {}

QString QWinMain::showGeniusDialog(const QString &key)
{
    Q_UNUSED(key)
    return QString();
}

void QWinMain::showWinDialog() {}

void QWinMain::showAnalystDialog() {}

void QWinMain::showBlockManageDialog() {}

void QWinMain::showFavoriteManageDialog() {}

void QWinMain::showSubscribeManageDialog() {}

QString QWinMain::showAnalystSelectDialog()
{
    return QString();
}

void QWinMain::showAnalystManageDialog() {}

void QWinMain::showHotRatingDialog() {}

void QWinMain::showChartOfStock(const QString &key)
{
    Q_UNUSED(key)
}

void QWinMain::onShortcutMenuClicked(const QString &link)
{
    Q_UNUSED(link)
}
