#include "centreover.h"

#include "placebyframe.h"
#include "windowframe.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>
#include <QWindow>

namespace {

// The window's place as Qt has it, with the frame its manager has told; Qt's own frame record
// may have been read off a frame the manager was still building (kwin: one of a pixel).
// Without a frame told, the window's own place.
QRect frameOf(QWidget *widget)
{
    QWidget *top = widget->window();
    QWindow *window = top->windowHandle();
    if (!window)
        return top->geometry();
    return window->geometry().marginsAdded(managedFrame(window).value_or(QMargins()));
}

// Centred over the anchor by the frame told, the window itself until one is told.
void centre(QWidget *dialog, QWidget *anchor, const QMargins &frame)
{
    if (!anchor || !anchor->isVisible())
        return;
    const QRect over = frameOf(anchor);
    const QSize outer = dialog->size().grownBy(frame);
    const QPoint corner = over.topLeft() + QPoint((over.width() - outer.width()) / 2, (over.height() - outer.height()) / 2);
    const QRect place(corner + QPoint(frame.left(), frame.top()), dialog->size());
    if (place != dialog->geometry())
        dialog->setGeometry(place);
}

class CentreOnScreen : public QObject
{
public:
    explicit CentreOnScreen(QWidget *window)
        : QObject(window)
        , window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window && event->type() == QEvent::Show && !event->spontaneous()) {
            if (QWindow *handle = window->windowHandle(); handle && handle != watchedWindow) {
                handle->installEventFilter(this);
                watchedWindow = handle;
            }
            placed = QRect(QPoint(), window->size());
            placed.moveCenter(window->screen()->availableGeometry().center());
            window->setGeometry(placed);
            mapped = false;
        } else if (!mapped && watched == watchedWindow && event->type() == QEvent::Expose
                   && watchedWindow->isExposed()) {
            // Every notice of the mapping has been handled by now; a record that differs is stale.
            mapped = true;
            if (window->geometry() != placed)
                window->setGeometry(placed);
        }
        return false;
    }

private:
    QWidget *window;
    QPointer<QWindow> watchedWindow;
    QRect placed;
    bool mapped = true;
};

} // namespace

void centreOnScreenWhenShown(QWidget *window)
{
    new CentreOnScreen(window);
}

void centreOverWhenShown(QWidget *dialog, QWidget *anchor)
{
    QPointer<QWidget> over(anchor);
    new PlaceByFrame(dialog, PlaceByFrame::UntilSettled,
                     [dialog, over](const QMargins &frame) { centre(dialog, over, frame); });
}
