#include "windowlayer.h"

#include <QGuiApplication>
#include <QVector>
#include <QWindow>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Atoms
{
    xcb_atom_t state = internedAtom("_NET_WM_STATE");
    xcb_atom_t skipTaskbar = internedAtom("_NET_WM_STATE_SKIP_TASKBAR");
    xcb_atom_t skipPager = internedAtom("_NET_WM_STATE_SKIP_PAGER");
    xcb_atom_t hidden = internedAtom("_NET_WM_STATE_HIDDEN");
    xcb_atom_t protocols = internedAtom("WM_PROTOCOLS");
    xcb_atom_t takeFocus = internedAtom("WM_TAKE_FOCUS");
};

const Atoms *atoms()
{
    static const Atoms names;
    return &names;
}

xcb_window_t idOf(const QWindow *window)
{
    return xcb_window_t(window->winId());
}

bool onX11(const QWindow *window)
{
    return window && QX11Info::isPlatformX11();
}

// A property of 32-bit values, as a list; empty when the window has none of that type.
QVector<uint32_t> valuesOf(xcb_window_t id, xcb_atom_t property, xcb_atom_t type)
{
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, id, property, type, 0, 1024);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    QVector<uint32_t> values;
    if (reply && reply->format == 32 && reply->type == type) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values = QVector<uint32_t>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

QVector<xcb_atom_t> statesOf(xcb_window_t id)
{
    return valuesOf(id, atoms()->state, XCB_ATOM_ATOM);
}

void addStatesBeforeMapping(QWindow *window, const QVector<xcb_atom_t> &add)
{
    QVector<xcb_atom_t> states = statesOf(idOf(window));
    for (xcb_atom_t state : add) {
        if (!states.contains(state))
            states << state;
    }
    xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, idOf(window), atoms()->state, XCB_ATOM_ATOM,
                        32, uint32_t(states.size()), states.constData());
}

} // namespace

quint32 internedAtom(const char *name)
{
    if (!QX11Info::isPlatformX11())
        return XCB_ATOM_NONE;
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

QWindow *programWindow(quint32 id)
{
    if (id == XCB_WINDOW_NONE)
        return nullptr;
    const QWindowList windows = QGuiApplication::allWindows();
    for (QWindow *window : windows) {
        if (window->handle() && idOf(window) == id)
            return window;
    }
    return nullptr;
}

void skipTaskbarBeforeMapping(QWindow *window)
{
    if (onX11(window))
        addStatesBeforeMapping(window, {atoms()->skipTaskbar, atoms()->skipPager});
}

void setTransientFor(QWindow *window, QWindow *parent)
{
    if (!window || window == parent)
        return;
    window->setTransientParent(parent);
    setTransientForUntilShown(window, parent);
}

void setTransientForUntilShown(QWindow *window, QWindow *parent)
{
    if (!window || window == parent || !onX11(window) || !window->handle())
        return;
    if (parent) {
        const xcb_window_t parentId = idOf(parent);
        xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, idOf(window), XCB_ATOM_WM_TRANSIENT_FOR,
                            XCB_ATOM_WINDOW, 32, 1, &parentId);
    } else {
        xcb_delete_property(QX11Info::connection(), idOf(window), XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(QX11Info::connection());
}

void forgetHiddenState(QWindow *window)
{
    if (!onX11(window) || !window->handle())
        return;
    // Written even when the state is gone already: Qt reads it again only when it changes.
    QVector<xcb_atom_t> states = statesOf(idOf(window));
    states.removeAll(atoms()->hidden);
    xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, idOf(window), atoms()->state, XCB_ATOM_ATOM,
                        32, uint32_t(states.size()), states.constData());
    xcb_flush(QX11Info::connection());
}

bool isViewable(QWindow *window)
{
    if (!onX11(window))
        return window && window->isVisible();
    if (!window->handle())
        return false;
    xcb_connection_t *connection = QX11Info::connection();
    xcb_get_window_attributes_reply_t *reply =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, idOf(window)), nullptr);
    const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
}

void setInputHint(QWindow *window, bool input)
{
    if (!onX11(window) || !window->handle())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    // WM_HINTS: flags, input, then seven more; flag 1 says input is set.
    QVector<uint32_t> hints = valuesOf(idOf(window), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    hints.resize(9);
    hints[0] |= 1;
    hints[1] = input ? 1 : 0;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, idOf(window), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        uint32_t(hints.size()), hints.constData());
    QVector<uint32_t> protocols = valuesOf(idOf(window), atoms()->protocols, XCB_ATOM_ATOM);
    protocols.removeAll(atoms()->takeFocus);
    if (input)
        protocols << atoms()->takeFocus;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, idOf(window), atoms()->protocols, XCB_ATOM_ATOM, 32,
                        uint32_t(protocols.size()), protocols.constData());
    xcb_flush(connection);
}

QWindow *windowWithTheFocus()
{
    if (!QX11Info::isPlatformX11())
        return QGuiApplication::focusWindow();
    xcb_connection_t *connection = QX11Info::connection();
    xcb_get_input_focus_reply_t *reply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    QWindow *window = programWindow(focus);
    while (window && window->parent())
        window = window->parent();
    return window;
}

void giveFocus(QWindow *window)
{
    if (!onX11(window))
        return;
    // Now: the focus is the program's, and a time older than the manager's last focus change
    // would be ignored.
    xcb_set_input_focus(QX11Info::connection(), XCB_INPUT_FOCUS_PARENT, idOf(window), XCB_CURRENT_TIME);
    xcb_flush(QX11Info::connection());
}
