#include "qdlgsubscribemanage.h"

#include "dialogform.h"
#include "qdlgsubscribe.h"
#include "subscribecontent.h"
#include "userlists.h"

QDlgSubscribeManage::QDlgSubscribeManage(QWidget *parent)
    : QDialog(parent)
    , kind{QStringLiteral("订阅"), QStringLiteral("订阅名称"), getSubscribeNameList, changeSubscribeName,
           deleteSubscribe}
{
    setObjectName(QStringLiteral("QDlgSubscribeManage"));
    lstSubscribe = buildListForm(this, "lstSubscribe", QSize(286, 300),
                                 {{"btnNew", QStringLiteral("新建"), [this] { newSubscribe(); }},
                                  {"btnModify", QStringLiteral("修改"), [this] { modifySubscribe(); }},
                                  {"btnRename", QStringLiteral("重命名"), [this] { renameSubscribe(); }},
                                  {"btnRemove", QStringLiteral("删除"), [this] { removeSubscribe(); }}},
                                 {{"btnClose", QStringLiteral("关闭"), [this] { close(); }}});
    lstSubscribe->setWrapping(false);
    initDialog(this, QStringLiteral("设置订阅"));
    loadSubscribeList();
}

void QDlgSubscribeManage::loadSubscribeList()
{
    fillNameList(lstSubscribe, kind);
}

void QDlgSubscribeManage::refresh()
{
    loadSubscribeList();
    emit loadSubscribeListOfSidebar();
}

QString QDlgSubscribeManage::editSubscribe(const QString &json)
{
    QDlgSubscribe editor(this);
    editor.setContent(json);
    return editor.exec() == QDialog::Accepted ? editor.getContent() : QString();
}

// A refused name is asked for again, so the condition just written is kept until the user cancels.
void QDlgSubscribeManage::newSubscribe()
{
    const QString content = encodeSubscribeContent(editSubscribe(QString()));
    if (content.isEmpty())
        return;
    const QString name = askNewListName(this, kind);
    if (!name.isEmpty() && addSubscribe(name, content, true))
        refresh();
}

void QDlgSubscribeManage::modifySubscribe()
{
    QListWidgetItem *item = currentItemOrTell(this, lstSubscribe, QStringLiteral("请选择修改的订阅"));
    if (!item)
        return;
    const QString name = item->text();
    const QString content = encodeSubscribeContent(editSubscribe(decodeSubscribeContent(getSubscribeContent(name))));
    if (!content.isEmpty() && setSubscribeContent(name, content, true))
        refresh();
}

void QDlgSubscribeManage::renameSubscribe()
{
    if (renameCurrentEntry(this, lstSubscribe, kind))
        refresh();
}

void QDlgSubscribeManage::removeSubscribe()
{
    if (removeCurrentEntry(this, lstSubscribe, kind))
        refresh();
}
