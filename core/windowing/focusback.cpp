#include "focusback.h"

#include "corelog.h"
#include "programrule.h"
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
#include <QWindowStateChangeEvent>

#include <xcb/xcb.h>

namespace {

// Top-level only: a native child maps and unmaps with its own window.
QWindow *windowOf(xcb_window_t id)
{
    QWindow *window = programWindow(id);
    return window && !window->parent() ? window : nullptr;
}

QWindow *topLevelOf(QWindow *window)
{
    while (window && window->parent())
        window = window->parent();
    return window;
}

bool up(QWindow *window)
{
    return window && window->isVisible() && isViewable(window);
}

// Qt clears its record of the focused window only a while after the focus has left it. A window
// hidden and shown again meanwhile (the next day-price download in the same dialog) that the
// manager then focuses is taken for no change, and its widgets are never told they are active:
// the window looks inactive, and shortcuts, which go by the active window, pass it by. The
// program's record then follows the X server's.
void activateWhereQtMissesIt(const xcb_focus_in_event_t *event)
{
    QWindow *window = windowOf(event->event);
    if (event->detail == XCB_NOTIFY_DETAIL_POINTER || !up(window) || QGuiApplication::focusWindow() != window)
        return;
    QMetaObject::invokeMethod(window, [to = QPointer<QWindow>(window)] {
        if (!up(to) || QGuiApplication::focusWindow() != to)
            return;
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *widget : windows) {
            if (widget->windowHandle() == to && QApplication::activeWindow() != widget) {
                qCDebug(lcCore) << "focused again before Qt took in it went:" << to;
                QApplication::setActiveWindow(widget);
            }
        }
    }, Qt::QueuedConnection);
}

void activateLater(QWindow *window)
{
    QMetaObject::invokeMethod(window, [to = QPointer<QWindow>(window)] {
        if (up(to))
            to->requestActivate();
    }, Qt::QueuedConnection);
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
        quint32 pressedOn = XCB_WINDOW_NONE;
        if (type == XCB_FOCUS_IN) {
            activateWhereQtMissesIt(reinterpret_cast<const xcb_focus_in_event_t *>(event));
            focusIn(reinterpret_cast<const xcb_focus_in_event_t *>(event));
            focusMoved(reinterpret_cast<const xcb_focus_in_event_t *>(event));
        } else if (const UserPress press = userPressOf(event, &pressedOn); press != UserPress::None) {
            userPressed(press, pressedOn);
        }
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
        if (event->type() == QEvent::WindowStateChange && watched->isWidgetType())
            downOrUp(static_cast<QWidget *>(watched), static_cast<QWindowStateChangeEvent *>(event)->oldState());
        if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QWindow *window = widget->windowHandle();
        if (!widget->isWindow() || !window || !(widget->isModal() || widget->windowType() == Qt::Dialog))
            return false;
        // Any other dialog is one the user may leave and come back to: it gives the keyboard to the
        // window it stands over.
        QWindow *before = window->transientParent();
        if (widget->isModal()) {
            before = wentOnTo(windowWithTheFocus());
            // While the program puts right a manager's late pick, the user is where it goes back to.
            QWindow *late = lateFocusBack();
            if (late && (!before || pickedByTheManager(before)))
                before = late;
            // Shown over the program gone down, which comes back with it.
            if (QWindow *user = userBeforeDown.take(bottomOf(window)))
                before = user;
        }
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
        const QPointer<QWindow> back = wentOnTo(cameFrom.take(window));
        if (!up(back))
            return;
        // Only the keyboard the program has: the user may have gone on to another program, or to
        // another window of the program's. (It may be in a window gone before, which a manager
        // focused late.)
        quint16 request = 0;
        QWindow *focus = windowWithTheFocus(&request);
        qCDebug(lcCore) << "window" << window << "goes, the focus on" << focus << ", back to" << back;
        if (!focus || (focus != back && focus->isVisible() && focus != window))
            return;
        // A manager may have focused the window while this one held it (xfwm4 does at a click on
        // it): Qt then took no window for active, and the shortcuts stay dead until a focus comes
        // anew. It comes anew, through this window.
        if (focus == back && topLevelOf(QGuiApplication::focusWindow()) != back) {
            giveFocus(window);
            focus = window;
        }
        if (focus != back)
            request = giveFocus(back);
        wentBackTo.insert(window, {back, request});
        // A manager that focuses the window late, as it maps it, focuses the window it is the
        // dialog of as it lets it go; and one may hold to a window it was about to focus: asked
        // after the window has gone, each focuses this one.
        setTransientForUntilShown(window, back);
        activateLater(back);
    }

    void forget(QObject *window)
    {
        cameFrom.remove(static_cast<QWindow *>(window));
        wentBackTo.remove(static_cast<QWindow *>(window));
    }

private:
    struct Gone
    {
        QPointer<QWindow> back; // where the focus went as the window went
        quint16 request = 0;    // the program's request after which the focus was no longer there
    };

    // A manager may focus a window only after the program has handed the focus on from it and let
    // it go: the window unmaps with the focus, and the manager then picks the next window itself
    // (often the one the window stood over, a window that stays on top). The focus goes where it
    // went as the window went, and the manager's pick a moment later goes there too, for a
    // second at most, until the user presses a key or clicks.
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
            const Gone gone = wentBackTo.value(window);
            // Sent before the program handed the focus on: a focus the window had then (the
            // program's own hand-back to it among them), not a late one.
            if (!up(gone.back) || sentBefore(event->sequence, gone.request))
                return;
            back = gone.back;
            lateBack = back;
            lateSince.start();
            mappedSinceLate.clear();
            takenFrom.clear();
            qCDebug(lcCore) << "window" << window << "focused after it went, back to" << back;
        } else {
            back = lateFocusBack();
            if (!back || !pickedByTheManager(window) || sentBefore(event->sequence, lateRequest))
                return;
            takenFrom = window;
            qCDebug(lcCore) << "the manager focused" << window << "after a late focus, back to" << back;
        }
        lateRequest = giveFocus(back);
        activateLater(back);
    }

    // The user's key or click ends the putting right. A manager focuses a window clicked before
    // the program hears of the click: taken back meanwhile, the window gets the focus again; a
    // key on it was only typed before the program took the focus back. The wheel focuses under
    // no manager: it scrolls what is under the pointer, and the manager's picks are still put
    // right.
    void userPressed(UserPress press, quint32 on)
    {
        if (press != UserPress::OtherButton) {
            userBeforeDown.clear();
            movedByTheManager = false;
        }
        if (!lateFocusBack() || press == UserPress::OtherButton)
            return;
        const QPointer<QWindow> taken = takenFrom;
        lateBack.clear();
        takenFrom.clear();
        QWindow *pressed = topLevelOf(programWindow(on));
        if (press != UserPress::Click || !taken || pressed != taken || !up(taken))
            return;
        qCDebug(lcCore) << "clicked" << pressed << ", the focus given back to it";
        giveFocus(pressed);
        activateLater(pressed);
    }

    // Where the keyboard goes among the program's windows, and whether the user pressed anything
    // since it went there last.
    void focusMoved(const xcb_focus_in_event_t *event)
    {
        QWindow *window = windowOf(event->event);
        if (!window || window == focused || event->detail == XCB_NOTIFY_DETAIL_INFERIOR
            || event->detail == XCB_NOTIFY_DETAIL_POINTER || event->mode != XCB_NOTIFY_MODE_NORMAL)
            return;
        focusedBefore = focused;
        focused = window;
        movedByTheManager = true;
    }

    // A window of the program's own (the main window, the award table, ...) minimized, as the
    // program asks (its own button) or as the manager has it: the user was in the window the
    // program last heard had the keyboard, in the order of the X server's news (the server may
    // have moved it since, at the manager's word). A manager may also hand the keyboard on from
    // the window, or a dialog of it, as it starts to minimize them: its pick, made with no key or
    // click of the user's since, is not where the user was. Brought back, the window drops it,
    // once a box that brings it back has read it.
    void downOrUp(QWidget *widget, Qt::WindowStates was)
    {
        QWindow *window = widget->windowHandle();
        if (!window || !widget->isWindow() || widget->isModal() || widget->windowType() != Qt::Window)
            return;
        const bool down = widget->windowState() & Qt::WindowMinimized;
        if (down == bool(was & Qt::WindowMinimized))
            return;
        if (!down) {
            QMetaObject::invokeMethod(this, [this, window = QPointer<QWindow>(window)] { userBeforeDown.remove(window); },
                                      Qt::QueuedConnection);
            return;
        }
        const bool handedOn = movedByTheManager && bottomOf(focused) != window && bottomOf(focusedBefore) == window;
        QWindow *user = wentOnTo(handedOn ? focusedBefore : focused);
        if (user)
            userBeforeDown.insert(window, user);
    }

    static QWindow *bottomOf(QWindow *window)
    {
        while (window && window->transientParent())
            window = window->transientParent();
        return window;
    }

    // Focused while a late focus is put right: the manager's pick, not the user's. A window
    // shown since, or a modal one, takes the focus as new windows do.
    bool pickedByTheManager(QWindow *window) const
    {
        return window != lateBack && window->modality() == Qt::NonModal && !mappedSinceLate.contains(window);
    }

    // The window a late focus is put right to, while that lasts; then what it recorded goes.
    QWindow *lateFocusBack()
    {
        if (!up(lateBack) || !lateSince.isValid() || lateSince.elapsed() >= 1000) {
            lateBack.clear();
            takenFrom.clear();
        }
        return lateBack;
    }

    // Where the user went on from a window that has gone (a manager may focus it late).
    QWindow *wentOnTo(QWindow *window) const
    {
        for (int step = 0; window && !window->isVisible() && step < 4; ++step)
            window = wentBackTo.contains(window) ? wentBackTo.value(window).back.data() : window->transientParent();
        return window;
    }

    QPointer<QWindow> lateBack;
    QElapsedTimer lateSince;
    quint16 lateRequest = 0;
    QPointer<QWindow> takenFrom;
    QSet<const QWindow *> mappedSinceLate;
    QHash<QWindow *, QPointer<QWindow>> cameFrom; // dialogs up, and where the user was
    QHash<QWindow *, Gone> wentBackTo;             // dialogs gone
    QPointer<QWindow> focused, focusedBefore;
    bool movedByTheManager = false;
    QHash<QWindow *, QPointer<QWindow>> userBeforeDown; // windows gone down, and where the user was
};

} // namespace

void giveFocusBackAsModalWindowsGo()
{
    installProgramRule<FocusBack>();
}

#include "focusback.moc"
