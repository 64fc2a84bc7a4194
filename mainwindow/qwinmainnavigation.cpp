// Navigation history and paging of the lists on screen, and the refresh of the newest lists
// when the update engine has imported more.

#include "qwinmain.h"

#include "orderhistory.h"

#include <QToolButton>

void QWinMain::showLastList()
{
    if (getOrderHistoryCount() > 0)
        showList(getOrderHistoryTop(), getOrderHistoryTopPage());
}

// The newest reports are re-queried only while their first page is on top of the history: a
// list the user has paged on or left stays as it is.
void QWinMain::showNewestReport()
{
    if (getOrderHistoryTopPage() == 0 && getOrderHistoryTopId() == QLatin1String("RPT_NEW"))
        showList(getOrderHistoryTop(), 0);
}

void QWinMain::showNewestRating()
{
    if (getOrderHistoryTopPage() == 0 && getOrderHistoryTopId().startsWith(QLatin1String("RAT_")))
        showList(getOrderHistoryTop(), 0);
}

void QWinMain::goPageBack()
{
    if (getOrderHistoryCount() <= 1) {
        btnBack->setEnabled(false);
        return;
    }
    popOrderHistory();
    showList(getOrderHistoryTop(), getOrderHistoryTopPage());
}

void QWinMain::goPageFirst()
{
    showList(getOrderHistoryTop(), 0);
}

void QWinMain::goPagePrevious()
{
    showList(getOrderHistoryTop(), getOrderHistoryTopPage() - 1);
}

void QWinMain::goPageNext()
{
    showList(getOrderHistoryTop(), getOrderHistoryTopPage() + 1);
}

// No page count reaches the main window, so there is no last page to go to; the windows
// switch the button off after each page.
void QWinMain::goPageLast() {}

void QWinMain::disablePageNext()
{
    btnPageNext->setEnabled(false);
}

void QWinMain::disablePageLast()
{
    btnPageLast->setEnabled(false);
}

void QWinMain::disablePageAll()
{
    for (QToolButton *button : {btnPageFirst, btnPagePrevious, btnPageNext, btnPageLast})
        button->setEnabled(false);
}

void QWinMain::disableGoBack()
{
    btnBack->setEnabled(false);
}
