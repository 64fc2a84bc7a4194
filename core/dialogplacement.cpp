#include "dialogplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QPoint placedPosition(const QRect &available, const QSize &frame, Qt::Alignment where)
{
    const int freeWidth = available.width() - frame.width();
    const int freeHeight = available.height() - frame.height();
    int x = freeWidth / 2;
    if (where & Qt::AlignLeft)
        x = 0;
    else if (where & Qt::AlignRight)
        x = freeWidth;
    int y = freeHeight / 2;
    if (where & Qt::AlignTop)
        y = 0;
    else if (where & Qt::AlignBottom)
        y = freeHeight;
    return available.topLeft() + QPoint(x, y);
}

QRect availableAreaOf(const QWidget *widget)
{
    QScreen *screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void placeDialog(QWidget *dialog, Qt::Alignment where, const QWidget *reference)
{
    const QRect area = availableAreaOf(reference ? reference : dialog);
    dialog->move(placedPosition(area, dialog->frameGeometry().size(), where));
}

void showPlaced(QWidget *dialog, Qt::Alignment where, const QWidget *reference)
{
    placeDialog(dialog, where, reference);
    dialog->show();
    placeDialog(dialog, where, reference);
}
