#include "centreover.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

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
    // The manager frames the window before mapping it, so the frame is known by the time the
    // window is exposed; a later frame shows itself as the window being moved or resized.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog && event->type() == QEvent::Show) {
            if (QWindow *window = dialog->windowHandle(); window && window != watchedWindow) {
                window->installEventFilter(this);
                watchedWindow = window;
            }
            exposed = false;
            settled = centre() && hasFrame();
            return false;
        }
        if (settled || !dialog->isVisible())
            return false;
        if (watched == watchedWindow && event->type() == QEvent::Expose && watchedWindow->isExposed())
            exposed = true;
        else if (watched != dialog || (event->type() != QEvent::Move && event->type() != QEvent::Resize))
            return false;
        // Without a frame once exposed (no window manager, or one that draws none) it stays so.
        settled = centre() && (hasFrame() || exposed);
        return false;
    }

private:
    // True when the dialog already stands centred (or there is nothing to centre over); else
    // moves it there.
    bool centre()
    {
        if (!anchor || !anchor->isVisible())
            return true;
        const QPoint offset = anchor->frameGeometry().center() - dialog->frameGeometry().center();
        if (offset.isNull())
            return true;
        dialog->move(dialog->pos() + offset);
        return false;
    }

    bool hasFrame() const { return dialog->frameGeometry() != dialog->geometry(); }

    QWidget *dialog;
    QPointer<QWidget> anchor;
    QPointer<QWindow> watchedWindow;
    bool settled = true;
    bool exposed = false;
};

} // namespace

void centreOverWhenShown(QWidget *dialog, QWidget *anchor)
{
    new CentreOver(dialog, anchor);
}
