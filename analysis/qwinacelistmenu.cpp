// The ranking's context menu, its drill-downs and the edits of the followed lists; all act on
// the table's current row.

#include "qwinacelist.h"

#include "analystcache.h"
#include "liststyle.h"
#include "userlists.h"

#include <QLabel>
#include <QMenu>
#include <QTableWidget>

void QWinAceList::buildMenu()
{
    menu = new QMenu(table);
    actAnalyst = menu->addAction(QStringLiteral("查看分析师评级"), this, &QWinAceList::showRatingOfAnalyst);
    actAddAnalyst = menu->addAction(QStringLiteral("添加关注分析师"), this, &QWinAceList::addConcernedAnalyst);
    actRemoveAnalyst = menu->addAction(QStringLiteral("取消关注分析师"), this, &QWinAceList::removeConcernedAnalyst);
    menu->addSeparator();
    actInst = menu->addAction(QStringLiteral("查看机构分析师"), this, &QWinAceList::showAceOfInst);
    actAddInst = menu->addAction(QStringLiteral("添加关注机构"), this, &QWinAceList::addConcernedInst);
    actRemoveInst = menu->addAction(QStringLiteral("取消关注机构"), this, &QWinAceList::removeConcernedInst);
}

QString QWinAceList::currentLabelText(int column) const
{
    const int row = currentRow();
    const auto *label = row >= 0 ? qobject_cast<QLabel *>(table->cellWidget(row, column)) : nullptr;
    return label ? label->text() : QString();
}

void QWinAceList::popMenuOfAceList(const QPoint &pos)
{
    if (currentRow() < 0)
        return;
    const QString inst = currentLabelText(ColInst);
    const bool instFollowed = isConcernedInst(inst);
    actInst->setText(QStringLiteral("查看机构分析师 - ") + inst);
    actAddInst->setText(QStringLiteral("添加关注机构 - ") + inst);
    actRemoveInst->setText(QStringLiteral("取消关注机构 - ") + inst);
    actAddInst->setVisible(!instFollowed);
    actRemoveInst->setVisible(instFollowed);
    // An analyst the cache does not know has no institution to show or follow.
    for (QAction *action : {actInst, actAddInst, actRemoveInst})
        action->setEnabled(!inst.isEmpty());

    const QString uid = currentKey();
    const QString name = getAnalystName(uid);
    const bool analystFollowed = isConcernedAnalyst(uid);
    actAnalyst->setText(QStringLiteral("查看分析师评级 - ") + name);
    actAddAnalyst->setText(QStringLiteral("添加关注分析师 - ") + name);
    actRemoveAnalyst->setText(QStringLiteral("取消关注分析师 - ") + name);
    actAddAnalyst->setVisible(!analystFollowed);
    actRemoveAnalyst->setVisible(analystFollowed);
    actAnalyst->setEnabled(!getAnalystId(uid).isEmpty());

    execCellMenu(menu, table, pos);
}

void QWinAceList::showRatingOfAnalyst()
{
    if (currentRow() < 0)
        return;
    // Without an id the main window would ask the user to pick an analyst instead.
    const QString id = getAnalystId(currentKey());
    if (!id.isEmpty())
        emit showRatingListOfAnls(id);
}

void QWinAceList::showAceOfInst()
{
    if (currentRow() >= 0)
        emit showAceListOfInst(currentLabelText(ColInst));
}

void QWinAceList::showAceOfInd()
{
    if (currentRow() >= 0)
        emit showAceListOfInd(currentLabelText(ColIndustry));
}

void QWinAceList::addConcernedInst()
{
    const QString inst = currentLabelText(ColInst);
    if (inst.isEmpty() || isConcernedInst(inst))
        return;
    addToConcernedInstList(inst);
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinAceList::removeConcernedInst()
{
    const QString inst = currentLabelText(ColInst);
    if (inst.isEmpty() || !isConcernedInst(inst))
        return;
    removeFromConcernedInstList(inst);
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinAceList::addConcernedAnalyst()
{
    const QString uid = currentKey();
    if (uid.isEmpty() || isConcernedAnalyst(uid))
        return;
    addToConcernedAnalystList(uid);
    markConcernedAnalyst();
    emit loadConcernedAnalystListOfSidebar();
}

void QWinAceList::removeConcernedAnalyst()
{
    const QString uid = currentKey();
    if (uid.isEmpty() || !isConcernedAnalyst(uid))
        return;
    removeFromConcernedAnalystList(uid);
    markConcernedAnalyst();
    emit loadConcernedAnalystListOfSidebar();
}
