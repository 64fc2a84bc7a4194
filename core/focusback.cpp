#include "focusback.h"

#include "corelog.h"
#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

namespace {

// Top-level only: a native child maps and unmaps with its own window.
QWindow *windowOf(xcb_window_t id)
{
    QWindow *window = programWindow(id);
    return window && !window->parent() ? window : nullptr;
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
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_FOCUS_IN)
            focusIn(reinterpret_cast<const xcb_focus_in_event_t *>(event));
        else if (type == XCB_BUTTON_PRESS)
            lateBack.clear();
        if (type != XCB_MAP_NOTIFY)
            return false;
        const QWindow *window = windowOf(reinterpret_cast<const xcb_map_notify_event_t *>(event)->window);
        if (window && window->isVisible() && lateFocusBack())
            mappedSinceLate.insert(window);
        // Qt asks the manager to focus a modal window once the server says it is mapped, also
        // when the window has gone meanwhile, which would then take the focus from the window
        // given it back. The news is dropped for a window that has gone.
        return window && !window->isVisible();
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
        // A manager may focus a window late, after it went: the user is in the window the focus
        // went back to then.
        if (before && !before->isVisible())
            before = wentBackTo.value(before);
        if (QWindow *late = lateFocusBack())
            before = late;
        cameFrom.insert(window, before != window ? before : nullptr);
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
        // Only the keyboard the program has: the user may have gone on to another program. (It
        // may be in a window gone before, which a manager focused late.)
        QWindow *focus = windowWithTheFocus();
        qCDebug(lcCore) << "modal window" << window << "goes, the focus on" << focus << ", back to" << back;
        if (!focus || (focus != back && focus->isVisible() && focus != window))
            return;
        if (focus != back)
            giveFocus(back);
        wentBackTo.insert(window, back);
        // A manager that focuses the window late, as it maps it, focuses the window it is the
        // dialog of as it lets it go; and one may hold to a window it was about to focus: asked
        // after the window has gone, each focuses this one.
        setTransientForUntilShown(window, back);
        QMetaObject::invokeMethod(back, [back] {
            if (up(back))
                back->requestActivate();
        }, Qt::QueuedConnection);
    }

    void forget(QObject *window)
    {
        cameFrom.remove(static_cast<QWindow *>(window));
        wentBackTo.remove(static_cast<QWindow *>(window));
    }

private:
    // A manager may focus a modal window only after the program has seen the focus elsewhere and
    // let the window go: the window unmaps with the focus, and the manager then picks the next
    // window itself (often the one the modal window stood over, a window that stays on top). The
    // focus goes where it went back to as the window went, and the manager's pick a moment later
    // is not taken for the user's (a click is).
    void focusIn(const xcb_focus_in_event_t *event)
    {
        if (event->detail == XCB_NOTIFY_DETAIL_INFERIOR || event->detail == XCB_NOTIFY_DETAIL_POINTER
            || event->mode == XCB_NOTIFY_MODE_GRAB || event->mode == XCB_NOTIFY_MODE_UNGRAB)
            return;
        QWindow *window = windowOf(event->event);
        if (!window)
            return;
        QWindow *back = nullptr;
        if (!window->isVisible()) {
            back = wentBackTo.value(window);
            if (!up(back))
                return;
            lateBack = back;
            lateSince.start();
            mappedSinceLate.clear();
            qCDebug(lcCore) << "modal window" << window << "focused after it went, back to" << back;
        } else {
            back = lateFocusBack();
            // A window shown since takes the focus as new windows do.
            if (!back || window == back || window->modality() != Qt::NonModal || mappedSinceLate.contains(window))
                return;
            qCDebug(lcCore) << "the manager focused" << window << "after a late focus, back to" << back;
        }
        giveFocus(back);
        QPointer<QWindow> to = back;
        QMetaObject::invokeMethod(back, [to] {
            if (up(to))
                to->requestActivate();
        }, Qt::QueuedConnection);
    }

    QWindow *lateFocusBack() const
    {
        return up(lateBack) && lateSince.isValid() && lateSince.elapsed() < 1000 ? lateBack.data() : nullptr;
    }

    QPointer<QWindow> lateBack;
    QElapsedTimer lateSince;
    QSet<const QWindow *> mappedSinceLate;
    QHash<QWindow *, QPointer<QWindow>> cameFrom;   // modal windows up, and where the user was
    QHash<QWindow *, QPointer<QWindow>> wentBackTo; // modal windows gone, and where the focus went
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
