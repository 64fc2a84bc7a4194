// The keys the main window handles itself, and the title bar's double click.

#include "qwinmain.h"

#include "mainwindowkeys.h"
#include "orderhistory.h"
#include "qwinacelist.h"
#include "qwinchart.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"

#include <QKeyEvent>
#include <QToolButton>

#include <initializer_list>

namespace {

bool isKeyEvent(const QEvent *event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
}

} // namespace

QMdiSubWindow *QWinMain::shownWindow() const
{
    for (QMdiSubWindow *window : std::initializer_list<QMdiSubWindow *>{
             winReportList, winRatingList, winConsensusList, winMatrixList, winAceList,
             winQuoteList, winChart}) {
        if (window->isMaximized())
            return window;
    }
    return nullptr;
}

// Activating a list window hands the focus to its first text field (its search bar), which
// would keep every typed letter or digit from the stock lookup; the window's content takes
// the focus instead, and a click still puts it into a field.
void QWinMain::focusShownWindow()
{
    QMdiSubWindow *window = shownWindow();
    if (window && window->widget())
        window->widget()->setFocus(Qt::OtherFocusReason);
}

bool QWinMain::eventFilter(QObject *watched, QEvent *event)
{
    if (isKeyEvent(event))
        return handleKey(static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::MouseButtonDblClick && watched == titleBar) {
        if (!btnMaximize->isHidden())
            btnMaximize->click();
        else if (!btnRestore->isHidden())
            btnRestore->click();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool QWinMain::handleKey(QKeyEvent *event)
{
    ShownWindow shown = ShownWindow::Other;
    if (winReportList->isMaximized())
        shown = ShownWindow::ReportList;
    else if (winRatingList->isMaximized())
        shown = ShownWindow::RatingList;
    else if (winConsensusList->isMaximized())
        shown = ShownWindow::ConsensusList;
    else if (winMatrixList->isMaximized())
        shown = ShownWindow::MatrixList;
    else if (winChart->isMaximized())
        shown = ShownWindow::Chart;

    const KeyCommand command = keyCommand(event->type(), event->key(), event->text(), shown,
                                          getOrderHistoryCount(), winChart->getStockCode(),
                                          event->modifiers());
    switch (command.effect) {
    case KeyCommand::PassOn:
        return false;
    case KeyCommand::Consume:
        break;
    case KeyCommand::ReportOfStock:
        showReportListOfStock(command.argument);
        break;
    case KeyCommand::RatingOfStock:
        showRatingListOfStock(command.argument);
        break;
    case KeyCommand::ConsensusOfStock:
        showConsensusListOfStock(command.argument);
        break;
    case KeyCommand::MatrixOfStock:
        showMatrixListOfStock(command.argument);
        break;
    case KeyCommand::ChartOfStock:
        showChartOfStock(command.argument);
        break;
    case KeyCommand::ShowLastList:
        showLastList();
        break;
    case KeyCommand::CloseWindow:
        close();
        break;
    case KeyCommand::GoBack:
        goPageBack();
        break;
    case KeyCommand::ZoomIn:
        emit zoomInChart();
        break;
    case KeyCommand::ZoomOut:
        emit zoomOutChart();
        break;
    }
    return true;
}
