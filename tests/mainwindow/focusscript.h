#pragma once

// What a window-manager test of the keyboard needs while a modal window of the program holds its
// own event loop: the X focus-ins a window gets and the keys and buttons pressed on it, counted
// from the X server's own events, and steps run from the event loop, each once its condition
// holds or once a modal window is up and focused.

#include "windowlayer.h"
#include "xwindows.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QX11Info>

#include <functional>

#include <xcb/xcb.h>

// The times the X server gave the window the keyboard focus, however briefly, from its making on:
// the program hands a focus that its modal lookup blocks on to the lookup, so the program's own
// record may not show it. What the server did before is dealt with first.
struct XFocusIns : QAbstractNativeEventFilter
{
    explicit XFocusIns(QWidget *window) : id(window->winId())
    {
        // Every event the server sent before the round trip's own is in Qt's queue once it is back.
        QX11Info::getTimestamp();
        QCoreApplication::processEvents();
        qApp->installNativeEventFilter(this);
    }
    ~XFocusIns() override { qApp->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray &type, void *message, long *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & ~0x80) != XCB_FOCUS_IN)
            return false;
        const auto *focus = static_cast<const xcb_focus_in_event_t *>(message);
        if (focus->event == id && focus->detail != XCB_NOTIFY_DETAIL_POINTER)
            ++count;
        return false;
    }
    const WId id;
    int count = 0;
};

// The keys and buttons the program has taken in on a window (a top-level one, with the windows
// in it), as the X server sent them and the program reads them (userPressOf). Installed without
// taking in anything itself.
struct XPresses : QAbstractNativeEventFilter
{
    explicit XPresses(QWidget *window) : top(window->windowHandle()) { qApp->installNativeEventFilter(this); }
    ~XPresses() override { qApp->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray &type, void *message, long *) override
    {
        quint32 on = XCB_WINDOW_NONE;
        const UserPress press = type == "xcb_generic_event_t" ? userPressOf(message, &on) : UserPress::None;
        QWindow *window = programWindow(on);
        while (window && window->parent())
            window = window->parent();
        if (press != UserPress::None && window == top)
            presses << press;
        return false;
    }
    int count(UserPress press) const { return int(presses.count(press)); }
    QWindow *const top;
    QList<UserPress> presses;
};

// Steps run from the event loop, each once its condition holds: the lookup that the first key
// opens runs modally, and the test's own code goes on only once it has closed. A step that
// waits 10 s in vain ends the script with a failure.
class Script
{
public:
    struct Step
    {
        QString what; // waited for
        std::function<bool()> ready;
        std::function<void()> act;
        std::function<QString()> seen; // said when the wait fails
    };

    explicit Script(const QList<Step> &steps) : m_steps(steps)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
        m_clock.start();
    }

    bool done() const { return m_next >= m_steps.size() || !failure.isEmpty(); }
    QString failure;

private:
    void look()
    {
        if (done())
            return;
        const Step &step = m_steps.at(m_next);
        if (!step.ready()) {
            if (m_clock.elapsed() <= 10000)
                return;
            failure = QStringLiteral("waited 10 s in vain for %1: %2").arg(step.what, step.seen ? step.seen() : QString());
            // A lookup left open would keep the test's own wait from ending.
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
            return;
        }
        step.act();
        ++m_next;
        m_clock.restart();
    }

    QList<Step> m_steps;
    int m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

// Calls act once with each modal window of the class as it comes up, after the window manager
// has focused it (which takes a click), as a timer: the test's own code waits while it is open.
class OnModal
{
public:
    OnModal(const char *className, std::function<void(QWidget *)> act) : m_class(className), m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(50);
    }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_done || !modal->inherits(m_class) || !modal->isVisible()
            || xFocus() != modal->winId())
            return;
        m_done = modal;
        QTimer::singleShot(0, modal, [this, modal] { m_act(modal); });
    }

    const char *m_class;
    std::function<void(QWidget *)> m_act;
    QPointer<QWidget> m_done;
    QTimer m_timer;
};
