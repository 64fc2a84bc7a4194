// The pop-ups that the main window keeps on screen beside itself: the message strip.

#include "qwinmain.h"

#include "dialogplacement.h"
#include "qdlgmessage.h"

void QWinMain::showMessageDialog(bool toShow)
{
    if (!toShow) {
        dlgMessage->hide();
        return;
    }
    showPlaced(dlgMessage, Qt::AlignTop | Qt::AlignHCenter, this);
}
