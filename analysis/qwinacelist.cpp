#include "qwinacelist.h"

#include "globalstate.h"
#include "jsontext.h"

#include <QLabel>

QWinAceList::QWinAceList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

void QWinAceList::showAceList(const QString &request, int page)
{
    lastRequest = request;
    lastPage = page;
    const QString title = jsonText(parseJsonObject(request).value(QStringLiteral("name")));
    lblTitle->setText(title);
    setWindowTitle(title);
    showMaximized();
    emit showTitle(title);
    emit disablePageAll();
}

void QWinAceList::showLastList()
{
    if (lastRequest.isEmpty())
        emit showList(getOrderJson(QStringLiteral("ACE_ALL")), 0);
    else
        emit showList(lastRequest, lastPage);
}

void QWinAceList::markConcernedInst() {}

void QWinAceList::markConcernedAnalyst() {}
