#include "boxesabove.h"

#include "windowlayer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QPair>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <QWindow>

namespace {

// How long after a tied box closed the manager's focus on the window it was tied to counts as
// the manager's own choice: a busy manager takes a good part of a second.
constexpr int kFocusBackMs = 1000;

class BoxesAbove : public QObject
{
public:
    explicit BoxesAbove(QObject *parent)
        : QObject(parent)
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && staysOnTop(window))
                above << window;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Expose && !toRaise.isEmpty())
            exposed(watched);
        // What the user does next decides where the focus goes.
        if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && focusBack.first)
            focusBack = {};
        if ((type != QEvent::Show && type != QEvent::Hide && type != QEvent::WindowActivate) || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow())
            return false;
        if (type == QEvent::WindowActivate) {
            if (focusBack.first && focusBack.first == window->windowHandle() && !focusBackUntil.hasExpired())
                giveFocusBack(focusBack.second);
            // (The box itself may hear of its activation once it has gone.)
            if (window->isVisible())
                focusBack = {};
            // The manager raises the window it activates.
            if (above.contains(window))
                cameUp(window);
        } else if (!event->spontaneous()) {
            // A minimized window comes back as it was: only show() and hide() count.
            type == QEvent::Show ? shown(window) : hidden(window);
        }
        return false;
    }

private:
    struct Tie
    {
        QPointer<QWidget> box;
        QPointer<QWidget> to;
        QPointer<QWindow> ownParent;
    };

    static bool staysOnTop(const QWidget *window) { return window->windowFlags() & Qt::WindowStaysOnTopHint; }

    // Its window is created by now and mapped just after, with the parent it has then.
    void shown(QWidget *window)
    {
        QWidget *to = window->isModal() ? topmostBut(window) : nullptr;
        QWindow *box = window->windowHandle();
        if (to && to->windowType() == Qt::SplashScreen) {
            // A manager ties nothing to a splash window (the message strip): the box goes into
            // the stay-on-top layer itself once the manager has mapped it, above what is there.
            toRaise << box;
        } else if (to && box->transientParent() != to->windowHandle()) {
            ties.append(Tie{window, to, box->transientParent()});
            box->setTransientParent(to->windowHandle());
        }
        if (to || staysOnTop(window))
            cameUp(window);
    }

    void exposed(QObject *watched)
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (window && window->isExposed() && toRaise.removeAll(window) > 0)
            keepMappedWindowAbove(window->winId());
    }

    // Unless a modal window (the day-price download) blocks it: that one keeps the focus.
    static void giveFocusBack(QWindow *ownParent)
    {
        const QWidget *modal = QApplication::activeModalWidget();
        if (ownParent && ownParent->isVisible() && (!modal || modal->windowHandle() == ownParent))
            ownParent->requestActivate();
    }

    void hidden(QWidget *window)
    {
        above.removeAll(window);
        toRaise.removeAll(window->windowHandle());
        for (int i = ties.size() - 1; i >= 0; --i) {
            const Tie tie = ties.at(i);
            if (tie.box != window && tie.to != window && tie.box && tie.to)
                continue;
            ties.removeAt(i);
            if (tie.box && tie.box->windowHandle())
                tie.box->windowHandle()->setTransientParent(tie.ownParent);
            // The manager gives the focus to the window the box was tied to: it goes back where it
            // was when the box opened (a code typed into the main window, the lookup closed).
            if (tie.box == window && tie.to && tie.ownParent && QGuiApplication::focusWindow()) {
                focusBack = {tie.to->windowHandle(), tie.ownParent};
                focusBackUntil.setRemainingTime(kFocusBackMs);
            }
            // Its manager sees the window it was tied to go, and stacks it among the others.
            above.removeAll(tie.box);
        }
    }

    void cameUp(QWidget *window)
    {
        above.removeAll(window);
        above.removeAll(nullptr);
        above.append(window);
    }

    // The window on screen that came up last, none of window's own.
    QWidget *topmostBut(const QWidget *window) const
    {
        QWindow *own = window->windowHandle();
        for (int i = above.size() - 1; i >= 0; --i) {
            QWidget *candidate = above.at(i);
            if (candidate && candidate != window && candidate->isVisible() && !candidate->isMinimized()
                && candidate->windowHandle() && !own->isAncestorOf(candidate->windowHandle(), QWindow::IncludeTransients))
                return candidate;
        }
        return nullptr;
    }

    QList<QPointer<QWidget>> above; // stay-on-top windows and the boxes tied above them, last come up last
    QVector<Tie> ties;
    QList<QPointer<QWindow>> toRaise; // boxes to put on top themselves once mapped
    // A tied box closed: when the window it was tied to is activated next, the focus goes to
    // the box's own parent instead.
    QPair<QPointer<QWindow>, QPointer<QWindow>> focusBack;
    QDeadlineTimer focusBackUntil;
};

} // namespace

void keepBoxesAboveStayOnTopWindows()
{
    static QPointer<BoxesAbove> rule;
    if (rule)
        return;
    rule = new BoxesAbove(qApp);
    qApp->installEventFilter(rule);
}
