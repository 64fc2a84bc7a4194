// Navigation history and paging of the lists on screen.

#include "qwinmain.h"

#include <QToolButton>

void QWinMain::showLastList() {}

void QWinMain::showNewestReport() {}

void QWinMain::showNewestRating() {}

void QWinMain::goPageBack() {}

void QWinMain::goPageFirst() {}

void QWinMain::goPagePrevious() {}

void QWinMain::goPageNext() {}

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
