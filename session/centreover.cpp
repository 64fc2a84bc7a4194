#include "centreover.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Where a window's frame stands on the screen. The window's own record is asked, not the
// widget's: the widget learns its frame only when it moves or is resized, and a manager that
// frames a window around where it stands moves neither.
QRect frameOf(QWidget *widget)
{
    QWindow *window = widget->window()->windowHandle();
    return window ? window->frameGeometry() : widget->window()->frameGeometry();
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
    }

protected:
    // Centred as it shows and whenever the manager moves or resizes it, then once more when it
    // is exposed: the manager frames a window before mapping it, so its frame is known by then.
    // Centring before that counts for nothing, whatever frame Qt may guess.
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
            centre();
            return false;
        }
        if (settled || !dialog->isVisible())
            return false;
        if (watched == watchedWindow && event->type() == QEvent::Expose && watchedWindow->isExposed()) {
            centre();
            settled = true;
        } else if (watched == dialog && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
            centre();
        }
        return false;
    }

private:
    void centre()
    {
        if (!anchor || !anchor->isVisible())
            return;
        const QPoint offset = frameOf(anchor).center() - frameOf(dialog).center();
        if (offset.isNull())
            return;
        // The window itself is placed, so the frame Qt guesses for it does not enter.
        placing = true;
        dialog->setGeometry(dialog->geometry().translated(offset));
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
