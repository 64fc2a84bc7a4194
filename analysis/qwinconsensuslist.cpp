#include "qwinconsensuslist.h"

#include "globalstate.h"
#include "jsonscript.h"

#include <QLabel>

QWinConsensusList::QWinConsensusList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

void QWinConsensusList::showConsensusList(const QString &request, int page)
{
    lastRequest = request;
    lastPage = page;
    JsonScript json;
    const QString title = jsonText(json.parse(request), QStringLiteral("name"));
    lblTitle->setText(title);
    setWindowTitle(title);
    showMaximized();
    emit showTitle(title);
    emit disablePageAll();
}

void QWinConsensusList::showLastList()
{
    if (lastRequest.isEmpty())
        emit showList(getOrderJson(QStringLiteral("CNS_ALL")), 0);
    else
        emit showList(lastRequest, lastPage);
}

void QWinConsensusList::markBlockedStock() {}
