#include "qdlgfavoritemanage.h"

#include "dialogform.h"
#include "userlists.h"

QDlgFavoriteManage::QDlgFavoriteManage(QWidget *parent)
    : QDialog(parent)
    , kind{QStringLiteral("收藏夹"), QStringLiteral("收藏夹名称"), getFavoriteNameList, changeFavoriteName,
           deleteFavorite}
{
    setObjectName(QStringLiteral("QDlgFavoriteManage"));
    lstFavorite = buildListForm(this, "lstFavorite", QSize(285, 300),
                                {{"btnNew", QStringLiteral("新建"), [this] { newFavorite(); }},
                                 {"btnRename", QStringLiteral("重命名"), [this] { renameFavorite(); }},
                                 {"btnRemove", QStringLiteral("删除"), [this] { removeFavorite(); }}},
                                {{"btnClose", QStringLiteral("关闭"), [this] { close(); }}});
    lstFavorite->setWrapping(false);
    initDialog(this, QStringLiteral("设置收藏夹"));
    loadFavoriteList();
}

void QDlgFavoriteManage::loadFavoriteList()
{
    fillNameList(lstFavorite, kind);
}

void QDlgFavoriteManage::refresh()
{
    loadFavoriteList();
    emit loadFavoriteListOfSidebar();
}

// A new folder holds the report id "0". For a name that exists the store adds that id to the folder
// instead, unless the folder holds it already; no second folder of one name is made.
void QDlgFavoriteManage::newFavorite()
{
    const QString name = askListName(this, kind, false);
    if (!name.isEmpty() && addFavoriteReport(name, QStringLiteral("0"), true))
        refresh();
}

void QDlgFavoriteManage::renameFavorite()
{
    if (renameCurrentEntry(this, lstFavorite, kind))
        refresh();
}

void QDlgFavoriteManage::removeFavorite()
{
    if (removeCurrentEntry(this, lstFavorite, kind))
        refresh();
}
