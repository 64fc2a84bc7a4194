#include "takeskeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool isSecondClick(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonDblClick
           || (event->type() == QEvent::MouseButtonPress
               && (static_cast<const QMouseEvent *>(event)->flags() & Qt::MouseEventCreatedDoubleClick));
}

bool isKey(const QEvent *event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
}

class KeyboardClaim : public QObject
{
public:
    explicit KeyboardClaim(QWidget *dialog)
        : QObject(dialog)
        , dialog(dialog)
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog) {
            if (event->type() == QEvent::Show)
                start();
            else if (event->type() == QEvent::Hide)
                stop();
            else if (event->type() == QEvent::WindowActivate)
                waiting = false;
            return false;
        }
        // Events reach a window before its widgets: taken there, each is seen once.
        auto *window = qobject_cast<QWindow *>(watched);
        if (!window || window == dialog->windowHandle())
            return false;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            if (isSecondClick(event))
                activate();
            else
                stop();
            return false;
        }
        // A box or a menu of the program has the keys it is given.
        if (!waiting || !isKey(event) || QApplication::activeModalWidget() || QApplication::activePopupWidget())
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                       key->nativeVirtualKey(), key->nativeModifiers(), key->text(),
                       key->isAutoRepeat(), key->count());
        QCoreApplication::sendEvent(dialog->focusWidget() ? dialog->focusWidget() : dialog, &copy);
        return true;
    }

private:
    // The window manager activates a window it maps; until it has, the keys are the dialog's.
    void start()
    {
        qApp->installEventFilter(this);
        waiting = true;
    }

    void activate()
    {
        waiting = true;
        dialog->activateWindow();
    }

    void stop()
    {
        qApp->removeEventFilter(this);
        waiting = false;
    }

    QWidget *dialog;
    bool waiting = false; // shown or clicked back, not yet active
};

} // namespace

void takeKeyboardWhenShown(QWidget *dialog)
{
    new KeyboardClaim(dialog);
}
