#include "qdlgblockedstock.h"

#include "dialogform.h"
#include "qdlggenius.h"
#include "stockcache.h"
#include "userlists.h"

QDlgBlockedStock::QDlgBlockedStock(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgBlockedStock"));
    lstStock = buildListForm(this, "lstStock", QSize(285, 300),
                             {{"btnAddStock", QStringLiteral("添加股票"), [this] { addStock(); }},
                              {"btnRemoveStock", QStringLiteral("删除股票"), [this] { removeStock(); }}},
                             {{"btnOK", QStringLiteral("确定"), [this] { accept(); }},
                              {"btnCancel", QStringLiteral("取消"), [this] { reject(); }}});
    initDialog(this, QStringLiteral("板块成分股"));
}

void QDlgBlockedStock::setBlock(const QString &name)
{
    block = name;
    setWindowTitle(QLatin1Char('[') + name + QStringLiteral("]板块成分股"));
    for (const QString &code : getBlockStockList(name))
        appendStock(code);
}

// A row reads the code, a blank and the stock's name; the code is the text before the blank.
void QDlgBlockedStock::appendStock(const QString &code)
{
    lstStock->addItem(code + QLatin1Char(' ') + getStockName(code));
}

void QDlgBlockedStock::addStock()
{
    QDlgGenius lookup(this);
    if (lookup.exec() != QDialog::Accepted)
        return;
    const QString code = lookup.getSelectedStock();
    if (code.isEmpty())
        return;
    // The lookup also finds delisted stocks, but blocks show listed ones only: one added anyway
    // would be gone from the block the next time it is opened, without a word.
    if (!containsStockCode(code)) {
        showBox(this, QMessageBox::Information, QStringLiteral("注意"),
                QStringLiteral("股票") + code + QStringLiteral("已退市，不能加入板块!"));
        return;
    }
    if (lstStock->findItems(code, Qt::MatchStartsWith).isEmpty())
        appendStock(code);
}

void QDlgBlockedStock::removeStock()
{
    if (currentItemOrTell(this, lstStock, QStringLiteral("请选择需要删除的股票!")))
        delete lstStock->takeItem(lstStock->currentRow());
}

void QDlgBlockedStock::accept()
{
    QStringList old = getBlockStockList(block);
    for (int row = 0; row < lstStock->count(); ++row) {
        const QString code = lstStock->item(row)->text().section(QLatin1Char(' '), 0, 0);
        if (!old.removeOne(code))
            addBlockStock(block, code, false);
    }
    for (const QString &code : qAsConst(old))
        removeBlockStock(block, code, false);
    // One stamp after the last change, so the engine never uploads half of this edit.
    touchStockBlockModified();
    QDialog::accept();
}
