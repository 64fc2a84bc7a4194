#pragma once

// A connection of the test's own to the X server of its display, through which the test acts on
// the program's windows as another client does: a manager's focus, map and unmap, a pager's
// restack, the user's keys and buttons (XTest). Each request goes out at once, and each wait
// asks the server alone: no process is started for it, and the program takes in no event
// meanwhile, so a test can time what the program sees from the first of them to the last.
//
//   XClient x;
//   x.setFocus(id);
//   x.key('6');           // into the window focused
//   x.sync();             // the server has dealt with both

#include <QDeadlineTimer>
#include <QList>
#include <QThread>
#include <QtGlobal>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

class XClient
{
public:
    XClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~XClient() { xcb_disconnect(m_connection); }
    XClient(const XClient &) = delete;
    XClient &operator=(const XClient &) = delete;

    bool connected() const { return m_root != XCB_WINDOW_NONE; }

    // Waits until the server has dealt with every request sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    quint32 focus()
    {
        xcb_get_input_focus_reply_t *reply =
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
        const quint32 window = reply ? reply->focus : quint32(XCB_WINDOW_NONE);
        std::free(reply);
        return window;
    }

    // As a manager gives it: when the window goes, the focus goes to its parent (the frame).
    void setFocus(quint32 window)
    {
        send(xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME));
    }
    // A window the manager takes on is mapped by the manager.
    void map(quint32 window) { send(xcb_map_window(m_connection, window)); }
    void unmap(quint32 window) { send(xcb_unmap_window(m_connection, window)); }

    bool viewable(quint32 window)
    {
        xcb_get_window_attributes_reply_t *reply =
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(reply);
        return viewable;
    }

    // The key of the keysym (a Latin-1 character is its own) pressed and released, into the
    // window focused.
    void key(quint32 keysym)
    {
        const xcb_keycode_t code = keycodeOf(keysym);
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, m_root, 0, 0, 0);
        send(xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, m_root, 0, 0, 0));
    }

    // The button pressed and released where the pointer is (4 and 5 are the wheel).
    void button(quint8 button)
    {
        xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, m_root, 0, 0, 0);
        send(xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, m_root, 0, 0, 0));
    }

    // The managed windows from bottom to top, as the manager stacks them.
    QList<quint32> stacking()
    {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(m_connection, 0, m_root, atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 0, 4096);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(m_connection, cookie, nullptr);
        QList<quint32> windows;
        if (reply && reply->format == 32) {
            const auto *ids = static_cast<const quint32 *>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                windows << ids[i];
        }
        std::free(reply);
        return windows;
    }

    // The window raised to the top of its layer as a pager asks (EWMH's _NET_RESTACK_WINDOW from
    // source 2): the manager restacks it of its own accord, without the program asking.
    void restackOnTop(quint32 window)
    {
        askTheManager(window, "_NET_RESTACK_WINDOW", {2, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE});
    }

    // The window closed as a task bar or a pager asks it (EWMH's _NET_CLOSE_WINDOW from source
    // 2): the manager asks the program to close it, as the close button of its title bar does.
    void closeWindow(quint32 window) { askTheManager(window, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, 2}); }

    // Asks the server until done() holds or the time is up, the program left alone meanwhile.
    template <typename Done>
    static bool waitFor(Done done, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
        return true;
    }

private:
    void send(xcb_void_cookie_t) { xcb_flush(m_connection); }

    // A message about the window to the root, as EWMH has a client ask the manager.
    void askTheManager(quint32 window, const char *type, std::initializer_list<quint32> data)
    {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(type);
        std::copy(data.begin(), data.end(), event.data.data32);
        send(xcb_send_event(m_connection, 0, m_root,
                            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                            reinterpret_cast<const char *>(&event)));
    }

    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    xcb_keycode_t keycodeOf(quint32 keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)), nullptr);
        xcb_keycode_t code = 0;
        if (reply) {
            const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
            for (int i = 0; i < count * reply->keysyms_per_keycode && !code; ++i) {
                if (syms[i] == keysym)
                    code = xcb_keycode_t(setup->min_keycode + i / reply->keysyms_per_keycode);
            }
        }
        std::free(reply);
        return code;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = XCB_WINDOW_NONE;
};
