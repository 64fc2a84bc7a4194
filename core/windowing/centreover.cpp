#include "centreover.h"

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

class CentreOver : public QObject
{
public:
    CentreOver(QWidget *dialog, QWidget *anchor)
        : QObject(dialog)
        , dialog(dialog)
        , anchor(anchor)
    {
        dialog->installEventFilter(this);
        frameSetEventType();
    }

protected:
    // Centred as it shows and whenever the manager moves or resizes it, until the manager has
    // both mapped it and told its frame (before mapping it, or with kwin after): centred by
    // its frame then, it is left where the user moves it.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (placing)
            return false;
        if (watched == dialog && event->type() == QEvent::Show) {
            if (QWindow *window = dialog->windowHandle(); window && window != watchedWindow) {
                window->installEventFilter(this);
                watchedWindow = window;
            }
            settled = false;
            centre(managedFrame(dialog->windowHandle()));
            return false;
        }
        if (settled || !dialog->isVisible() || !watchedWindow)
            return false;
        const bool exposed = watched == watchedWindow && event->type() == QEvent::Expose && watchedWindow->isExposed();
        const bool framed = watched == watchedWindow && event->type() == frameSetEventType();
        const bool moved = watched == dialog && (event->type() == QEvent::Move || event->type() == QEvent::Resize);
        if (exposed || framed || moved) {
            // Read once: the manager may tell the frame between two reads, and a dialog centred
            // without it would be left so.
            const std::optional<QMargins> frame = managedFrame(watchedWindow);
            centre(frame);
            settled = watchedWindow->isExposed() && frame.has_value();
        }
        return false;
    }

private:
    // Until the manager tells its frame, the window itself is centred.
    void centre(const std::optional<QMargins> &told)
    {
        if (!anchor || !anchor->isVisible())
            return;
        const QRect over = frameOf(anchor);
        const QMargins frame = told.value_or(QMargins());
        const QSize outer = dialog->size().grownBy(frame);
        const QPoint corner = over.topLeft() + QPoint((over.width() - outer.width()) / 2, (over.height() - outer.height()) / 2);
        const QRect place(corner + QPoint(frame.left(), frame.top()), dialog->size());
        if (place == dialog->geometry())
            return;
        placing = true;
        dialog->setGeometry(place);
        placing = false;
    }

    QWidget *dialog;
    QPointer<QWidget> anchor;
    QPointer<QWindow> watchedWindow;
    bool settled = true;
    bool placing = false;
};

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
    new CentreOver(dialog, anchor);
}
