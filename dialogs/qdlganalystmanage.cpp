#include "qdlganalystmanage.h"

#include "dialogform.h"
#include "qdlganalystselect.h"
#include "userlists.h"

QDlgAnalystManage::QDlgAnalystManage(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgAnalystManage"));
    lstAnalyst = buildListForm(this, "lstAnalyst", QSize(286, 300),
                               {{"btnAdd", QStringLiteral("添加"), [this] { addAnalyst(); }},
                                {"btnRemove", QStringLiteral("删除"), [this] { removeAnalyst(); }}},
                               {{"btnClose", QStringLiteral("关闭"), [this] { close(); }}});
    lstAnalyst->setWrapping(false);
    initDialog(this, QStringLiteral("设置关注分析师"));
    loadAnalystList();
}

void QDlgAnalystManage::loadAnalystList()
{
    fillAnalystList(lstAnalyst, getConcernedAnalystList());
}

void QDlgAnalystManage::addAnalyst()
{
    QDlgAnalystSelect picker(this);
    if (picker.exec() != QDialog::Accepted)
        return;
    const QString uid = picker.getSelectedAnalyst();
    if (!uid.isEmpty() && addToConcernedAnalystList(uid)) {
        loadAnalystList();
        emit loadConcernedAnalystListOfSidebar();
    }
}

void QDlgAnalystManage::removeAnalyst()
{
    const QString uid = currentKeyOrTell(this, lstAnalyst, QStringLiteral("请选择删除的分析师"));
    if (!uid.isEmpty() && removeFromConcernedAnalystList(uid)) {
        loadAnalystList();
        emit loadConcernedAnalystListOfSidebar();
    }
}
