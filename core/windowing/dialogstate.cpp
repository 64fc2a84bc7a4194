#include "dialogstate.h"

#include "programrule.h"
#include "windowlayer.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <utility>

namespace {

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
        // The main window's own minimize button sees to its state.
        if (!widget->isWindow() || widget->windowType() != Qt::Dialog || widget->isVisible())
            return false;
        QWindow *window = widget->windowHandle();
        if (window && window->windowStates().testFlag(Qt::WindowMinimized))
            forgetHiddenState(window);
        return false;
    }
};

bool minimized(const QWidget *widget)
{
    return widget->windowState() & Qt::WindowMinimized;
}

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

// Through Qt where its record has the window minimized, else as ICCCM has a client do it.
void restore(QWidget *window)
{
    if (minimized(window))
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    else
        deiconify(window->windowHandle());
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

class ProgramDownWithItsBoxes : public QObject
{
public:
    using QObject::QObject;

protected:
    // The manager's news only, but for a window about to be mapped: the program's own minimize
    // and restore send their events at once. (Not a window given the focus: a manager focuses one
    // the box blocks as the box goes down.)
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::Show && type != QEvent::WindowStateChange) || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow() || !widget->isVisible())
            return false;
        if (type == QEvent::Show) {
            if (event->spontaneous() || minimized(widget))
                return false;
            // Mapped minimized by the program once and restored by the manager, it would be taken
            // on minimized again.
            if (mappedMinimized.removeAll(widget->windowHandle()) > 0)
                mapNormalNextTime(widget->windowHandle());
            if (widget->isModal())
                opening(widget);
            return false;
        }
        if (!event->spontaneous())
            return false;
        const bool was = static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized;
        if (minimized(widget) && !was) {
            if (widget->isModal())
                goDown();
            else
                windowUnderABoxDown(widget);
        } else if ((blocked(widget) || widget->isModal()) && was && !minimized(widget) && !comeBackQueued) {
            // Once for the windows the manager brings back together.
            comeBackQueued = true;
            QMetaObject::invokeMethod(this, [this] { comeBack(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    // Sent before Qt maps the box. Opening over the program gone down, it goes down with it
    // (mapped minimized): up alone it would take the keyboard with nothing it blocks on the
    // screen, and a manager that hands the activation of a window to its box (openbox) would bring
    // back the box alone.
    void opening(QWidget *box)
    {
        const QWidgetList below = windowsBelow(box);
        if (!below.isEmpty() && below.last()->isVisible() && down(below.last())) {
            mapMinimized(box);
            goDown();
        }
    }

    // Through Qt, which has it taken on minimized (WM_HINTS) and records it so at once.
    void mapMinimized(QWidget *box)
    {
        box->setWindowState(box->windowState() | Qt::WindowMinimized);
        mappedMinimized.removeAll(nullptr);
        if (!mappedMinimized.contains(box->windowHandle()))
            mappedMinimized << box->windowHandle();
    }

    // The window a box stands over at the bottom (the main window) minimized, as a task bar does:
    // the program goes down, the box too where the manager leaves it up (kwin), so that it does
    // not keep the keyboard over nothing. (A dialog between them minimized alone is the user's.)
    void windowUnderABoxDown(QWidget *window)
    {
        bool underABox = false;
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *box : windows) {
            const QWidgetList below = box->isModal() && box->isVisible() ? windowsBelow(box) : QWidgetList();
            if (below.isEmpty() || below.last() != window)
                continue;
            underABox = true;
            if (minimized(box))
                continue;
            // Not taken on yet (it has just opened), the manager will take it on minimized.
            const ManagerState state = managerState(box->windowHandle());
            if (state == ManagerState::None)
                mapMinimized(box);
            else if (state == ManagerState::Normal && mayMinimize(box->windowHandle()))
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
                if (!wentDown.contains(window))
                    wentDown << window;
            }
        }
    }

    // What went down with the boxes comes back, with each box and the windows it stands over;
    // the newest box, the one that takes the keys, last and on top.
    void comeBack()
    {
        comeBackQueued = false;
        bool restored = false;
        const auto bringBack = [&restored](QWidget *window) {
            if (window && window->isVisible() && down(window)) {
                restore(window);
                restored = true;
            }
        };
        for (const QPointer<QWidget> &window : std::exchange(wentDown, {}))
            bringBack(window);
        QWidget *top = QApplication::activeModalWidget();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (!window->isModal() || !window->isVisible())
                continue;
            for (QWidget *below : windowsBelow(window))
                bringBack(below);
            if (window != top)
                bringBack(window);
        }
        if (!top || !top->isVisible() || (!restored && !down(top)))
            return;
        bringBack(top);
        top->raise();
        top->activateWindow();
    }

    QList<QPointer<QWidget>> wentDown;        // minimized by the program with a box, not by the user
    QList<QPointer<QWindow>> mappedMinimized; // taken on minimized as the program asked
    bool comeBackQueued = false;
};

} // namespace

void minimizeTheProgramWithItsBoxes()
{
    installProgramRule<ProgramDownWithItsBoxes>();
}

void forgetMinimizedAsDialogsGo()
{
    installProgramRule<MinimizedForgotten>();
}
