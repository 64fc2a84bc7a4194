#include "focusback.h"

#include "corelog.h"
#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>

namespace {

QWindow *windowOf(xcb_window_t id)
{
    const QWindowList windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (window->handle() && window->winId() == WId(id))
            return window;
    }
    return nullptr;
}

bool up(QWindow *window)
{
    return window && window->isVisible() && isViewable(window);
}

class FocusBack : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            // Qt asks the manager to focus a modal window once the server says it is mapped,
            // also when the window has gone meanwhile, which would then take the focus from the
            // window given it back. The news is dropped for a window that has gone.
            const QWindow *window = windowOf(reinterpret_cast<xcb_map_notify_event_t *>(event)->window);
            return window && !window->isVisible();
        }
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE: {
            // Typed before the focus went back, for a window that has gone (or is about to be
            // deleted): they are the window's the focus went back to.
            auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
            const QPointer<QWindow> to = keysGoTo.value(key->event);
            if (to)
                key->event = xcb_window_t(to->winId());
            return false;
        }
        default:
            return false;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && watched->isWindowType())
            return passedOn(static_cast<QWindow *>(watched), static_cast<QKeyEvent *>(event));
        if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QWindow *window = widget->windowHandle();
        if (!widget->isWindow() || !widget->isModal() || !window)
            return false;
        QWindow *before = windowWithTheFocus();
        cameFrom.insert(window, before != window ? before : nullptr);
        keysGoTo.remove(xcb_window_t(window->winId()));
        // Emitted as the window starts to hide, before Qt unmaps it.
        connect(window, &QWindow::visibleChanged, this, &FocusBack::visibilityChanged, Qt::UniqueConnection);
        connect(window, &QObject::destroyed, this, &FocusBack::forget, Qt::UniqueConnection);
        return false;
    }

private slots:
    void visibilityChanged(bool visible)
    {
        auto *window = static_cast<QWindow *>(sender());
        if (visible)
            return;
        const QPointer<QWindow> back = cameFrom.take(window);
        if (!up(back))
            return;
        // Only the keyboard the program has: the user may have gone on to another program.
        const QWindow *focus = windowWithTheFocus();
        qCDebug(lcCore) << "modal window" << window << "goes, the focus on" << focus << ", back to" << back;
        if (focus != window && focus != back)
            return;
        if (focus == window) {
            giveFocus(back);
            keysGoTo.insert(xcb_window_t(window->winId()), back);
        }
        // A manager that focuses the window late, as it maps it, focuses the window it is the
        // dialog of as it lets it go; and one may hold to a window it was about to focus: asked
        // after the window has gone, each focuses this one.
        setTransientFor(window, back);
        QMetaObject::invokeMethod(back, [back] {
            if (up(back))
                back->requestActivate();
        }, Qt::QueuedConnection);
    }

    void forget(QObject *window) { cameFrom.remove(static_cast<QWindow *>(window)); }

private:
    // Keys Qt took for a window before it went reach it after: they are passed on as typed
    // (a key press sent to a widget is offered to the shortcuts first).
    bool passedOn(QWindow *window, QKeyEvent *key)
    {
        if (window->isVisible() || keysGoTo.isEmpty())
            return false;
        const QPointer<QWindow> to = keysGoTo.value(xcb_window_t(window->winId()));
        if (!to)
            return false;
        QWidget *widget = QApplication::focusWidget();
        if (!widget || widget->window()->windowHandle() != to) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            const auto found = std::find_if(windows.cbegin(), windows.cend(),
                                            [&to](const QWidget *w) { return w->windowHandle() == to; });
            if (found == windows.cend())
                return false;
            widget = (*found)->focusWidget() ? (*found)->focusWidget() : *found;
        }
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
        QCoreApplication::sendEvent(widget, &copy);
        return true;
    }

    QHash<QWindow *, QPointer<QWindow>> cameFrom;     // modal windows up, and where the user was
    QHash<xcb_window_t, QPointer<QWindow>> keysGoTo;  // modal windows gone, and where their keys go
};

} // namespace

void giveFocusBackAsModalWindowsGo()
{
    static QPointer<FocusBack> rule;
    if (rule)
        return;
    rule = new FocusBack(qApp);
    qApp->installEventFilter(rule);
    qApp->installNativeEventFilter(rule);
}

#include "focusback.moc"
