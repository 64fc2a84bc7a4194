#include "windowlayer.h"

#include <QWindow>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

} // namespace

void liftIntoStayOnTopLayer(QWindow *window)
{
    if (!window || !QX11Info::isPlatformX11())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    static const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    static const xcb_atom_t above = atom(connection, "_NET_WM_STATE_ABOVE");
    const auto id = xcb_window_t(window->winId());
    const xcb_window_t root = xcb_window_t(QX11Info::appRootWindow());
    if (!state || !above)
        return;

    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                        &root);
    // The request of the EWMH: add (1) the state, asked by an application (1).
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = state;
    event.data.data32[0] = 1;
    event.data.data32[1] = above;
    event.data.data32[3] = 1;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}
