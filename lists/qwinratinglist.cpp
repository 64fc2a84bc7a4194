#include "qwinratinglist.h"

#include "globalstate.h"
#include "jsonscript.h"

#include <QLabel>

QWinRatingList::QWinRatingList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

void QWinRatingList::showRatingList(const QString &request, int page)
{
    lastRequest = request;
    lastPage = page;
    JsonScript json;
    const QString title = jsonText(json.parse(request), QStringLiteral("name"));
    lblTitle->setText(title);
    setWindowTitle(title);
    showMaximized();
    emit showTitle(title);
    emit disablePageLast();
}

void QWinRatingList::showLastList()
{
    if (lastRequest.isEmpty())
        emit showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
    else
        emit showList(lastRequest, lastPage);
}

void QWinRatingList::markConcernedInst() {}

void QWinRatingList::markBlockedStock() {}
