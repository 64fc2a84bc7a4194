#include "qdlgblockmanage.h"

#include "dialogform.h"
#include "qdlgblockedstock.h"
#include "userlists.h"

QDlgBlockManage::QDlgBlockManage(QWidget *parent)
    : QDialog(parent)
    , kind{QStringLiteral("板块"), QStringLiteral("板块名"), getBlockNameList, changeBlockName, deleteBlock}
{
    setObjectName(QStringLiteral("QDlgBlockManage"));
    lstBlock = buildListForm(this, "lstBlock", QSize(285, 300),
                             {{"btnNew", QStringLiteral("新建"), [this] { newBlock(); }},
                              {"btnRename", QStringLiteral("重命名"), [this] { renameBlock(); }},
                              {"btnManage", QStringLiteral("成分股"), [this] { manageStock(); }},
                              {"btnRemove", QStringLiteral("删除"), [this] { removeBlock(); }}},
                             {{"btnClose", QStringLiteral("关闭"), [this] { close(); }}});
    lstBlock->setWrapping(false);
    initDialog(this, QStringLiteral("设置板块"));
    loadBlockList();
}

void QDlgBlockManage::loadBlockList()
{
    fillNameList(lstBlock, kind);
}

void QDlgBlockManage::refresh()
{
    loadBlockList();
    emit loadBlockListOfSidebar();
}

void QDlgBlockManage::newBlock()
{
    const QString name = askListName(this, kind, false);
    // A block of that name exists when the store refuses: nothing to tell.
    if (!name.isEmpty() && addBlockStock(name, QString(), true))
        refresh();
}

void QDlgBlockManage::renameBlock()
{
    if (renameCurrentEntry(this, lstBlock, kind))
        refresh();
}

void QDlgBlockManage::manageStock()
{
    QListWidgetItem *item = currentItemOrTell(this, lstBlock, QStringLiteral("请选择设置成分股的板块"));
    if (!item)
        return;
    QDlgBlockedStock editor(this);
    editor.setBlock(item->text());
    editor.exec();
}

void QDlgBlockManage::removeBlock()
{
    if (removeCurrentEntry(this, lstBlock, kind))
        refresh();
}
