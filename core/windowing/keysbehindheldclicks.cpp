#include "keysbehindheldclicks.h"

#include "windowlayer.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QTimer>
#include <QVector>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// A window manager that focuses on a click holds each click on a window up (a synchronous
// button grab) until it has dealt with it, while the keyboard goes on to the focused window: a
// key typed behind a click the manager is slow with reaches the program before that click, and
// so goes to the window the click leaves, not to the one it opens. Such a key tells it: the
// button is down in its state, with no press delivered. Keys from there on are kept until the X
// server has given the program every press, then sent back to the program through the server,
// behind the clicks, in the order typed.
class KeysBehindHeldClicks : public QAbstractNativeEventFilter
{
public:
    // On Qt's own connection: events sent with no mask go to the client that made the window.
    KeysBehindHeldClicks()
        : m_connection(QX11Info::connection()), m_root(xcb_window_t(QX11Info::appRootWindow())), m_xinput(xinputOpcode())
    {
        m_check.setInterval(20);
        QObject::connect(&m_check, &QTimer::timeout, [this] { sendBackWhenClicksIn(); });
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & 0x7f;
        const bool sent = event->response_type & 0x80;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            if (sent)
                return false;
            const auto *key = reinterpret_cast<xcb_key_press_event_t *>(event);
            if (m_kept.isEmpty() && (!(key->state & kButtons & ~m_down) || !pointerInOwnWindow()))
                return false;
            m_kept << *key;
            m_check.start();
            return true;
        }
        if (sent)
            return false;
        if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE) {
            const auto *button = reinterpret_cast<xcb_button_press_event_t *>(event);
            pressed(button->detail, type == XCB_BUTTON_PRESS);
        } else if (type == XCB_GE_GENERIC && m_xinput) {
            // Qt takes the pointer through XInput 2: ButtonPress (4), ButtonRelease (5).
            const auto *generic = reinterpret_cast<xcb_ge_generic_event_t *>(event);
            if (generic->extension == m_xinput && (generic->event_type == 4 || generic->event_type == 5)) {
                uint32_t detail = 0;
                std::memcpy(&detail, reinterpret_cast<const char *>(event) + 16, sizeof detail);
                pressed(detail, generic->event_type == 4);
            }
        }
        return false;
    }

private:
    static constexpr uint16_t kButtons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3
                                         | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;

    void pressed(uint32_t button, bool down)
    {
        if (button < 1 || button > 5)
            return;
        const uint16_t bit = uint16_t(XCB_BUTTON_MASK_1 << (button - 1));
        m_down = down ? (m_down | bit) : (m_down & ~bit);
    }

    // A click the manager holds up is one on a window of the program's, the pointer inside it; a
    // button held elsewhere (in another program, on a title bar the manager draws) holds
    // nothing up here. Walked down from the root, the windows under the pointer reach one of
    // the program's own only inside it.
    bool pointerInOwnWindow() const
    {
        xcb_window_t under = m_root;
        for (int depth = 0; under != XCB_WINDOW_NONE && depth < 8; ++depth) {
            xcb_query_pointer_reply_t *pointer =
                xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, under), nullptr);
            under = pointer ? pointer->child : xcb_window_t(XCB_WINDOW_NONE);
            std::free(pointer);
            if (programWindow(under))
                return true;
        }
        return false;
    }

    // A press held up keeps its button down, and the clicks behind it wait with it (the second
    // of a double-click among them): once no button is down, the server has handled them all,
    // and their events are ahead of the keys sent back now.
    void sendBackWhenClicksIn()
    {
        xcb_query_pointer_reply_t *pointer =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const bool clicksIn = !pointer || !(pointer->mask & kButtons);
        std::free(pointer);
        if (!clicksIn)
            return;
        m_check.stop();
        for (const xcb_key_press_event_t &key : qAsConst(m_kept))
            xcb_send_event(m_connection, 0, key.event, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&key));
        xcb_flush(m_connection);
        m_kept.clear();
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    uint8_t m_xinput;
    uint16_t m_down = 0; // the buttons the program has seen pressed and not released
    QVector<xcb_key_press_event_t> m_kept;
    QTimer m_check;
};

} // namespace

void keepKeysBehindHeldClicks()
{
    static KeysBehindHeldClicks *installed = nullptr;
    if (installed || !QX11Info::isPlatformX11())
        return;
    installed = new KeysBehindHeldClicks;
    QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread())->installNativeEventFilter(installed);
}
