#include "qwinreportlist.h"

#include "globalstate.h"
#include "jsonscript.h"

#include <QLabel>

QWinReportList::QWinReportList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

void QWinReportList::showReportList(const QString &request, int page)
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

void QWinReportList::showLastList()
{
    if (lastRequest.isEmpty())
        emit showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
    else
        emit showList(lastRequest, lastPage);
}

void QWinReportList::markConcernedInst() {}

void QWinReportList::markFavoriteReport() {}

void QWinReportList::markBlockedStock() {}
