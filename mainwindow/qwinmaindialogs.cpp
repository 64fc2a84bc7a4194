// The launchers of the dialogs that the main window opens.

#include "qwinmain.h"

#include "globalstate.h"
#include "qdlganalystselect.h"
#include "qdlgbulletin.h"
#include "qdlggenius.h"
#include "qdlginstselect.h"
#include "qdlgshare.h"
#include "stockcache.h"

#include <QScopedPointer>

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
    QScopedPointer<QDlgInstSelect> dialog(new QDlgInstSelect(this, rang));
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedInst() : QString();
}

void QWinMain::showInstManageDialog() {}

QString QWinMain::showGeniusDialog(const QString &key)
{
    QScopedPointer<QDlgGenius> dialog(new QDlgGenius(this));
    dialog->setKeyword(key);
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedStock() : QString();
}

void QWinMain::showWinDialog() {}

void QWinMain::showAnalystDialog() {}

void QWinMain::showBlockManageDialog() {}

void QWinMain::showFavoriteManageDialog() {}

void QWinMain::showSubscribeManageDialog() {}

QString QWinMain::showAnalystSelectDialog()
{
    QScopedPointer<QDlgAnalystSelect> dialog(new QDlgAnalystSelect(this));
    return dialog->exec() == QDialog::Accepted ? dialog->getSelectedAnalyst() : QString();
}

void QWinMain::showAnalystManageDialog() {}

void QWinMain::showHotRatingDialog() {}

void QWinMain::showChartOfStock(const QString &key)
{
    const QString code = containsStockCode(key) ? key : showGeniusDialog(key);
    if (!code.isEmpty())
        emit showChart(code);
}

void QWinMain::onShortcutMenuClicked(const QString &link)
{
    Q_UNUSED(link)
}
