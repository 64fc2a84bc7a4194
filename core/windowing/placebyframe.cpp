#include "placebyframe.h"

#include "windowframe.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

PlaceByFrame::PlaceByFrame(QWidget *widget, Rule rule, Place place)
    : QObject(widget)
    , widget(widget)
    , rule(rule)
    , place(std::move(place))
{
    // Asked before the window shows, so that the manager's word on its frame reaches it.
    frameSetEventType();
    if (rule == UntilSettled)
        widget->installEventFilter(this);
}

void PlaceByFrame::await()
{
    watchWindow();
    awaiting = true;
    heard();
}

bool PlaceByFrame::eventFilter(QObject *watched, QEvent *event)
{
    // Its own moves are no word of the manager.
    if (placing)
        return false;
    const QEvent::Type type = event->type();
    // Only the UntilSettled rule watches the widget itself.
    if (watched == widget && type == QEvent::Show) {
        watchWindow();
        awaiting = true;
        // Placed at once by what is told, and settled only by what the manager does next.
        placeFor(managedFrame(widget->windowHandle()));
        return false;
    }
    if (!awaiting || !window)
        return false;
    if (watched == window && type == QEvent::Hide)
        awaiting = false;
    else if ((watched == window && type == QEvent::Expose && window->isExposed())
             || (watched == window && type == frameSetEventType())
             || (watched == widget && (type == QEvent::Move || type == QEvent::Resize)))
        heard();
    return false;
}

void PlaceByFrame::watchWindow()
{
    if (QWindow *handle = widget->windowHandle(); handle && handle != window) {
        handle->installEventFilter(this);
        window = handle;
    }
}

void PlaceByFrame::heard()
{
    if (!awaiting || !window || !widget->isVisible())
        return;
    // Read once: the manager may tell the frame between two reads, and a window placed without
    // it would be left so.
    const std::optional<QMargins> frame = managedFrame(window);
    if (rule == OnceFramed) {
        if (!frame)
            return;
        awaiting = false;
        placeFor(frame);
    } else {
        placeFor(frame);
        awaiting = !(window->isExposed() && frame);
    }
}

void PlaceByFrame::placeFor(const std::optional<QMargins> &frame)
{
    if (!place)
        return;
    placing = true;
    place(frame.value_or(QMargins()));
    placing = false;
}
