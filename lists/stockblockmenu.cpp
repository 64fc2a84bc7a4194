#include "stockblockmenu.h"

#include "serviceapi.h"
#include "userlists.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

QList<QAction *> fillStockBlockMenu(QMenu *menu, QAction *newBlock, const QString &code)
{
    menu->clear();
    menu->addAction(newBlock);
    menu->addSeparator();
    QList<QAction *> entries;
    for (const QString &block : getBlockNameList()) {
        if (block.isEmpty())
            continue;
        QAction *entry = menu->addAction(block);
        entry->setData(block);
        entry->setCheckable(true);
        entry->setChecked(isStockOfBlock(block, code));
        entries << entry;
    }
    return entries;
}

QString askNewBlockName(QWidget *parent)
{
    bool ok = false;
    const QString name = QInputDialog::getText(parent, QStringLiteral("自定义板块"), QStringLiteral("请输入板块名"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok)
        return QString();
    if (name.isEmpty()) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("请填写板块名!"), QMessageBox::Ok);
        return QString();
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(parent, QStringLiteral("错误"), QStringLiteral("板块名含有不恰当字符!"), QMessageBox::Ok);
        return QString();
    }
    return name;
}
