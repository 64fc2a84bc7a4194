#include "windowlayer.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// A connection of its own: Qt's is not public. It only sends requests to the manager.
struct Display
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t state = 0;
    xcb_atom_t above = 0;
};

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

const Display &display()
{
    static const Display opened = [] {
        Display d;
        int screen = 0;
        xcb_connection_t *connection = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return d;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        d.connection = connection;
        d.root = it.data->root;
        d.state = atom(connection, "_NET_WM_STATE");
        d.above = atom(connection, "_NET_WM_STATE_ABOVE");
        return d;
    }();
    return opened;
}

} // namespace

void keepMappedWindowAbove(WId window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const Display &d = display();
    if (!d.connection || !d.state || !d.above)
        return;
    // The request of the EWMH: add (1) the state, asked by an application (1).
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    event.type = d.state;
    event.data.data32[0] = 1;
    event.data.data32[1] = d.above;
    event.data.data32[3] = 1;
    xcb_send_event(d.connection, 0, d.root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(d.connection);
}
