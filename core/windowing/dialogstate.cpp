#include "dialogstate.h"

#include "programrule.h"
#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

bool minimized(const QWidget *widget)
{
    return widget->windowState() & Qt::WindowMinimized;
}

class MinimizedForgotten : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Hidden by the program (a minimize hides a window spontaneously), or taken for
        // minimized only once it was hidden, as Qt reads the manager's news late.
        const QEvent::Type type = event->type();
        if (!(type == QEvent::Hide && !event->spontaneous()) && type != QEvent::WindowStateChange)
            return false;
        if (!watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow() || widget->isVisible())
            return false;
        QWindow *window = widget->windowHandle();
        if (!window || !window->windowStates().testFlag(Qt::WindowMinimized))
            return false;
        forgetHiddenState(window);
        // Closed by the manager (a task bar), it loses its native window: the next one takes Qt's
        // record, which no word of the manager's changes now. Changed without a native window, it
        // makes none (QWidget::setWindowState would make one minimized, then map it).
        QMetaObject::invokeMethod(widget, [widget] {
            QWindow *window = widget->windowHandle();
            if (widget->isVisible() || !window || window->handle() || !minimized(widget))
                return;
            window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
            widget->overrideWindowState(widget->windowState() & ~Qt::WindowMinimized);
        }, Qt::QueuedConnection);
        return false;
    }
};

// Minimized as the manager has it (ICCCM's WM_STATE): Qt's record follows a moment later, and
// is all there is off X11 or before the manager has taken the window on.
bool down(QWidget *window)
{
    switch (managerState(window->windowHandle())) {
    case ManagerState::Iconic:
        return true;
    case ManagerState::Normal:
        return false;
    case ManagerState::None:
        break;
    }
    return minimized(window);
}

// The program's windows a box stands over, nearest first, as it is the dialog of each
// (ICCCM's WM_TRANSIENT_FOR): the window on top or the dialog it came from, then the main window.
QWidgetList windowsBelow(const QWidget *box)
{
    QWidgetList below;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWindow *over = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr; over;
         over = over->transientParent()) {
        for (QWidget *window : windows) {
            if (window->windowHandle() == over && !below.contains(window))
                below << window;
        }
    }
    return below;
}

// A window the boxes block: the main window and the program's other windows of their own (the
// award table, the hot ratings, the web page), not the dialogs that stand over the main window.
bool blocked(const QWidget *widget)
{
    return widget->isVisible() && !widget->isModal() && widget->windowType() == Qt::Window;
}

bool boxUp(const QWidget *widget)
{
    return widget->isModal() && widget->isVisible();
}

class ProgramDownWithItsBoxes : public QObject, public QAbstractNativeEventFilter
{
public:
    using QObject::QObject;

    // The manager's word on a window's state (ICCCM's WM_STATE), read as it comes: Qt's record
    // lags behind it, and misses a window brought back before the program took in that it went.
    // (The program's own requests come back as the manager's word too.)
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        QWindow *window = eventType == "xcb_generic_event_t" ? managerStateSetOn(message) : nullptr;
        if (!window)
            return false;
        const ManagerState now = managerState(window);
        const ManagerState was = now == ManagerState::None ? managerStates.take(window)
                                                           : std::exchange(managerStates[window], now);
        // (A window the program took down is back, though the program took in nothing meanwhile.)
        QWidget *widget = QWidget::find(window->winId());
        if (now == ManagerState::Normal && (was == ManagerState::Iconic || tookDown.contains(widget)))
            comeBackLater();
        else if (was != ManagerState::Iconic && now == ManagerState::Iconic && widget && widget->isVisible())
            wentDown(widget);
        return false;
    }

protected:
    // Shown over the program gone down, before Qt maps it: the windows it stands over come back
    // first, so that no manager keeps it down as the dialog of a minimized window.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *box = static_cast<QWidget *>(watched);
        if (box->isWindow() && boxUp(box)) {
            const QWidgetList below = windowsBelow(box);
            if (!below.isEmpty() && below.last()->isVisible() && down(below.last()))
                comeBack();
        }
        return false;
    }

private:
    // A box minimized on its own (its title bar's button, a pager) takes the program down. The
    // window a box stands over at the bottom (the main window) minimized, as a task bar does,
    // takes the program down too, and the box where the manager leaves it up (kwin), so that it
    // does not keep the keyboard over nothing. A box the manager has not taken on yet is showing
    // as the window went: the program comes back with it. (A dialog between them minimized alone
    // is the user's.)
    void wentDown(QWidget *window)
    {
        bool underABox = window->isModal();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *box : windows) {
            const QWidgetList below = boxUp(box) ? windowsBelow(box) : QWidgetList();
            if (below.isEmpty() || below.last() != window)
                continue;
            underABox = true;
            const ManagerState state = managerState(box->windowHandle());
            if (state == ManagerState::None) {
                comeBackLater();
                return;
            }
            if (state == ManagerState::Normal && mayMinimize(box->windowHandle()))
                iconify(box->windowHandle());
        }
        if (underABox)
            goDown();
    }

    // Those already minimized (by the user) are left as they are, and stay so when it comes back.
    // Asked of the manager, which may decline (mutter, for a window without a minimize button).
    void goDown()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (blocked(window) && !down(window)) {
                iconify(window->windowHandle());
                if (!tookDown.contains(window))
                    tookDown << window;
            }
        }
    }

    // Once for the windows the manager brings back together.
    void comeBackLater()
    {
        if (comeBackQueued)
            return;
        comeBackQueued = true;
        QMetaObject::invokeMethod(this, [this] { comeBack(); }, Qt::QueuedConnection);
    }

    // What went down with the boxes comes back, with each box and the windows it stands over;
    // the newest box, the one that takes the keys, last, on top and with the keyboard, whichever
    // window the manager brought back (the alert list it brings back takes none).
    void comeBack()
    {
        comeBackQueued = false;
        // As ICCCM has a client do it, by mapping it: Qt's record follows the manager's word,
        // and news of the manager's sent before it are not taken for the window going down again.
        const auto bringBack = [](QWidget *window) {
            if (window && window->isVisible() && down(window))
                deiconify(window->windowHandle());
        };
        for (const QPointer<QWidget> &window : std::exchange(tookDown, {}))
            bringBack(window);
        QWidget *top = QApplication::activeModalWidget();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (!boxUp(window))
                continue;
            // The main window first: a manager keeps down a dialog whose window is down.
            const QWidgetList below = windowsBelow(window);
            std::for_each(below.crbegin(), below.crend(), bringBack);
            if (window != top)
                bringBack(window);
        }
        if (!top || !top->isVisible())
            return;
        bringBack(top);
        top->raise();
        top->activateWindow();
    }

    QList<QPointer<QWidget>> tookDown; // minimized by the program with a box, not by the user
    QHash<QWindow *, ManagerState> managerStates; // of the windows the manager has taken on
    bool comeBackQueued = false;
};

} // namespace

void minimizeTheProgramWithItsBoxes()
{
    installProgramRule<ProgramDownWithItsBoxes>();
}

void forgetMinimizedAsWindowsGo()
{
    installProgramRule<MinimizedForgotten>();
}
