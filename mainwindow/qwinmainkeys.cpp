// The keys the main window handles itself, and the title bar's double click.

#include "qwinmain.h"

#include <QEvent>
#include <QToolButton>

bool QWinMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == titleBar) {
        if (!btnMaximize->isHidden())
            btnMaximize->click();
        else if (!btnRestore->isHidden())
            btnRestore->click();
    }
    return QMainWindow::eventFilter(watched, event);
}
