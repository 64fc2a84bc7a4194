#include "qwinquotelist.h"

#include "globalstate.h"
#include "jsonscript.h"

#include <QLabel>

QWinQuoteList::QWinQuoteList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    lblTitle = new QLabel(this);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(getAppFont());
    setWidget(lblTitle);
}

void QWinQuoteList::showQuoteList(const QString &request, int page)
{
    Q_UNUSED(page)
    JsonScript json;
    const QString title = jsonText(json.parse(request), QStringLiteral("name"));
    lblTitle->setText(title);
    setWindowTitle(title);
    showMaximized();
    emit showTitle(title);
    emit disablePageAll();
}

void QWinQuoteList::markBlockedStock() {}
