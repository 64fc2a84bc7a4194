#include "stockblockmenu.h"

#include "globalstate.h"
#include "userlists.h"

#include <QAction>
#include <QMenu>

QList<QAction *> fillStockBlockMenu(QMenu *menu, QAction *newBlock, const QString &code)
{
    menu->clear();
    menu->addAction(newBlock);
    menu->addSeparator();
    QList<QAction *> entries;
    for (const QString &block : getBlockNameList()) {
        if (block.isEmpty())
            continue;
        // "&&" shows the name's own ampersands instead of making them accelerators.
        QAction *entry = menu->addAction(QString(block).replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setFont(getAppFont());
        entry->setData(block);
        entry->setCheckable(true);
        entry->setChecked(isStockOfBlock(block, code));
        entries << entry;
    }
    return entries;
}
