#include "dialogplacement.h"

#include "placebyframe.h"

#include <QGuiApplication>
#include <QPointer>
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
    // Made before the window first shows, so that the manager's word on its frame reaches it.
    const QString name = QStringLiteral("placeWhenFramed");
    auto *placement = dialog->findChild<PlaceByFrame *>(name, Qt::FindDirectChildrenOnly);
    if (!placement) {
        placement = new PlaceByFrame(dialog, PlaceByFrame::OnceFramed, {});
        placement->setObjectName(name);
    }
    // By the frame the manager tells once it shows the dialog: kwin tells it only after it has
    // shown the window, the others as they show it, and either comes after show() has returned.
    // Once placed by it, the dialog is left where the user moves it.
    QPointer<QWidget> anchor(const_cast<QWidget *>(reference));
    placement->setPlace([dialog, where, anchor](const QMargins &frame) {
        const QRect area = availableAreaOf(anchor ? anchor.data() : dialog);
        const QPoint corner = placedPosition(area, dialog->size().grownBy(frame), where);
        const QRect place(corner + QPoint(frame.left(), frame.top()), dialog->size());
        if (place != dialog->geometry())
            dialog->setGeometry(place);
    });
    placeDialog(dialog, where, reference);
    dialog->show();
    placeDialog(dialog, where, reference);
    placement->await();
}
