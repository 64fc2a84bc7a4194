#include "focusback.h"

#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <xcb/xcb.h>
static QElapsedTimer dbgClock;
struct DbgFilter : QAbstractNativeEventFilter {
    bool nativeEventFilter(const QByteArray &t, void *m, long *) override {
        auto *e = static_cast<xcb_generic_event_t *>(m);
        int type = e->response_type & 0x7f;
        if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
            auto *f = static_cast<xcb_focus_in_event_t *>(m);
            qWarning("DBG %lld X %s win=%u detail=%d mode=%d", dbgClock.elapsed(), type == XCB_FOCUS_IN ? "FocusIn" : "FocusOut", f->event, f->detail, f->mode);
        }
        return false;
    }
};

namespace {

class FocusBack : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Qt asks the manager to focus a modal window once the server says it is mapped, also when
    // the window has gone meanwhile: a window closed quickly would take the focus afterwards
    // (and hand it to whatever the manager picks next). The news is dropped for such a window.
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
            return false;
        const auto *mapped = static_cast<const xcb_map_notify_event_t *>(message);
        const QWindowList windows = QGuiApplication::topLevelWindows();
        for (const QWindow *window : windows) {
            if (window->handle() && WId(mapped->window) == window->winId())
                return !window->isVisible();
        }
        return false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QWindow *window = widget->windowHandle();
        if (!widget->isWindow() || !widget->isModal() || !window)
            return false;
        QWindow *before = windowWithTheFocus();
        cameFrom.insert(window, before != window ? before : nullptr);
        qWarning("DBG %lld shown %u, came from %u", dbgClock.elapsed(), unsigned(window->winId()), before ? unsigned(before->winId()) : 0u);
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
        qWarning("DBG %lld hiding %u: focus %p, window %p, back %u", dbgClock.elapsed(), unsigned(window->winId()), (void*)windowWithTheFocus(), (void*)window, back ? unsigned(back->winId()) : 0u);
        if (!back || !back->isVisible() || (back->windowStates() & Qt::WindowMinimized))
            return;
        // Only the keyboard the program has: the user may have gone on to another program.
        const QWindow *focus = windowWithTheFocus();
        if (focus != window && focus != back)
            return;
        if (focus == window)
            giveFocus(back);
        // A manager that has not focused the window yet still will, as it maps it, and then
        // falls back on a window of its choice; one that holds to the window it was about to
        // focus puts the focus back there. Asked once the window is gone, each focuses this one.
        QMetaObject::invokeMethod(back, [back] {
            if (back && back->isVisible())
                back->requestActivate();
        }, Qt::QueuedConnection);
    }

    void forget(QObject *window) { cameFrom.remove(static_cast<QWindow *>(window)); }

private:
    QHash<QWindow *, QPointer<QWindow>> cameFrom;
};

} // namespace

void giveFocusBackAsModalWindowsGo()
{
    static QPointer<FocusBack> rule;
    if (rule)
        return;
    rule = new FocusBack(qApp);
    qApp->installNativeEventFilter(rule);
    dbgClock.start();
    qApp->installNativeEventFilter(new DbgFilter);
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [](QWindow *w) { qWarning("DBG %lld Qt focus %s %u", dbgClock.elapsed(), w ? w->objectName().toLatin1().constData() : "null", w ? unsigned(w->winId()) : 0u); });
    qApp->installEventFilter(rule);
}

#include "focusback.moc"
