#include "qdlginstmanage.h"

#include "dialogform.h"
#include "qdlginstselect.h"
#include "userlists.h"

QDlgInstManage::QDlgInstManage(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgInstManage"));
    lstInst = buildListForm(this, "lstInst", QSize(285, 300),
                            {{"btnAdd", QStringLiteral("添加"), [this] { addInst(); }},
                             {"btnRemove", QStringLiteral("删除"), [this] { removeInst(); }}},
                            {{"btnClose", QStringLiteral("关闭"), [this] { close(); }}});
    lstInst->setWrapping(false);
    initDialog(this, QStringLiteral("设置关注机构"));
    loadInstList();
}

// The store hands the list out in initials order already.
void QDlgInstManage::loadInstList()
{
    fillInstList(lstInst, getConcernedInstList());
}

void QDlgInstManage::addInst()
{
    QDlgInstSelect picker(this, QString());
    if (picker.exec() != QDialog::Accepted)
        return;
    const QString name = picker.getSelectedInst();
    if (!name.isEmpty() && addToConcernedInstList(name)) {
        loadInstList();
        emit loadConcernedInstListOfSidebar();
    }
}

void QDlgInstManage::removeInst()
{
    const QString name = currentKeyOrTell(this, lstInst, QStringLiteral("请选择删除的机构"));
    if (!name.isEmpty() && removeFromConcernedInstList(name)) {
        loadInstList();
        emit loadConcernedInstListOfSidebar();
    }
}
