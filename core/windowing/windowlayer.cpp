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
    xcb_atom_t stacking = internedAtom("_NET_CLIENT_LIST_STACKING");
    xcb_atom_t wmState = internedAtom("WM_STATE");
    xcb_atom_t changeState = internedAtom("WM_CHANGE_STATE");
    xcb_atom_t allowed = internedAtom("_NET_WM_ALLOWED_ACTIONS");
    xcb_atom_t minimize = internedAtom("_NET_WM_ACTION_MINIMIZE");
    xcb_atom_t active = internedAtom("_NET_ACTIVE_WINDOW");
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

QList<QWindow *> stackedByTheManager()
{
    QList<QWindow *> windows;
    if (!QX11Info::isPlatformX11())
        return windows;
    const QVector<uint32_t> ids = valuesOf(xcb_window_t(QX11Info::appRootWindow()), atoms()->stacking, XCB_ATOM_WINDOW);
    for (uint32_t id : ids) {
        if (QWindow *window = programWindow(id))
            windows << window;
    }
    return windows;
}

bool isStackingChange(const void *xcbEvent)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(xcbEvent);
    return property->atom == atoms()->stacking && property->window == xcb_window_t(QX11Info::appRootWindow());
}

QWindow *managerStateSetOn(const void *xcbEvent)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return nullptr;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(xcbEvent);
    return property->atom == atoms()->wmState ? programWindow(property->window) : nullptr;
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

void iconify(QWindow *window)
{
    if (!onX11(window) || !window->handle())
        return;
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = idOf(window);
    message.type = atoms()->changeState;
    message.data.data32[0] = 3; // IconicState
    xcb_send_event(QX11Info::connection(), 0, xcb_window_t(QX11Info::appRootWindow()),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(QX11Info::connection());
}

void deiconify(QWindow *window)
{
    if (!onX11(window) || !window->handle())
        return;
    xcb_map_window(QX11Info::connection(), idOf(window));
    xcb_flush(QX11Info::connection());
}

ManagerState managerState(QWindow *window)
{
    if (!onX11(window) || !window->handle())
        return ManagerState::None;
    const QVector<uint32_t> state = valuesOf(idOf(window), atoms()->wmState, atoms()->wmState);
    const uint32_t value = state.isEmpty() ? 0 : state.first();
    return value == 1 ? ManagerState::Normal : value == 3 ? ManagerState::Iconic : ManagerState::None;
}

bool mayMinimize(QWindow *window)
{
    return onX11(window) && window->handle()
           && valuesOf(idOf(window), atoms()->allowed, XCB_ATOM_ATOM).contains(atoms()->minimize);
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

void setInputModel(QWindow *window, InputModel model)
{
    if (!onX11(window) || !window->handle())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    // WM_HINTS: flags, input, then seven more; flag 1 says input is set.
    QVector<uint32_t> hints = valuesOf(idOf(window), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    hints.resize(9);
    hints[0] |= 1;
    hints[1] = model == InputModel::LocallyActive ? 1 : 0;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, idOf(window), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        uint32_t(hints.size()), hints.constData());
    QVector<uint32_t> protocols = valuesOf(idOf(window), atoms()->protocols, XCB_ATOM_ATOM);
    protocols.removeAll(atoms()->takeFocus);
    if (model != InputModel::NoInput)
        protocols << atoms()->takeFocus;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, idOf(window), atoms()->protocols, XCB_ATOM_ATOM, 32,
                        uint32_t(protocols.size()), protocols.constData());
    xcb_flush(connection);
}

QWindow *focusOfferedTo(const void *xcbEvent, quint32 *time)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return nullptr;
    const auto *message = static_cast<const xcb_client_message_event_t *>(xcbEvent);
    if (message->type != atoms()->protocols || message->format != 32 || message->data.data32[0] != atoms()->takeFocus)
        return nullptr;
    *time = message->data.data32[1];
    return programWindow(message->window);
}

QWindow *windowWithTheFocus(quint16 *asked)
{
    if (!QX11Info::isPlatformX11())
        return QGuiApplication::focusWindow();
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(connection);
    if (asked)
        *asked = quint16(cookie.sequence);
    xcb_get_input_focus_reply_t *reply = xcb_get_input_focus_reply(connection, cookie, nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    QWindow *window = programWindow(focus);
    while (window && window->parent())
        window = window->parent();
    return window;
}

bool anotherProgramActive()
{
    if (!QX11Info::isPlatformX11())
        return false;
    const QVector<uint32_t> active = valuesOf(xcb_window_t(QX11Info::appRootWindow()), atoms()->active, XCB_ATOM_WINDOW);
    return !active.isEmpty() && active.first() != XCB_WINDOW_NONE && !programWindow(active.first());
}

quint32 userTime()
{
    return QX11Info::isPlatformX11() ? QX11Info::appUserTime() : 0;
}

quint16 giveFocus(QWindow *window, quint32 time)
{
    if (!onX11(window))
        return 0;
    const xcb_void_cookie_t request =
        xcb_set_input_focus(QX11Info::connection(), XCB_INPUT_FOCUS_PARENT, idOf(window), time);
    xcb_flush(QX11Info::connection());
    return quint16(request.sequence);
}

bool sentBefore(quint16 eventSequence, quint16 request)
{
    // Numbers wrap at 16 bits; the two are never half the range apart.
    return qint16(quint16(eventSequence - request)) < 0;
}

quint8 xinputOpcode()
{
    static const quint8 opcode = [] {
        if (!QX11Info::isPlatformX11())
            return quint8(0);
        xcb_connection_t *connection = QX11Info::connection();
        const char name[] = "XInputExtension";
        xcb_query_extension_reply_t *reply =
            xcb_query_extension_reply(connection, xcb_query_extension(connection, sizeof name - 1, name), nullptr);
        const quint8 major = reply && reply->present ? reply->major_opcode : 0;
        std::free(reply);
        return major;
    }();
    return opcode;
}

UserPress userPressOf(const void *xcbEvent, quint32 *window)
{
    const auto *event = static_cast<const xcb_generic_event_t *>(xcbEvent);
    const uint8_t type = event->response_type & 0x7f;
    UserPress press = UserPress::None;
    uint32_t button = 0; // none for a key or a touch
    uint32_t on = XCB_WINDOW_NONE;
    if (type == XCB_KEY_PRESS || type == XCB_BUTTON_PRESS) {
        const auto *core = reinterpret_cast<const xcb_key_press_event_t *>(event);
        press = type == XCB_KEY_PRESS ? UserPress::Key : UserPress::Click;
        button = type == XCB_BUTTON_PRESS ? core->detail : 0;
        on = core->event;
    } else if (type == XCB_GE_GENERIC && xinputOpcode()) {
        // XI2's KeyPress (2), ButtonPress (4) and TouchBegin (18); the button at byte 16, the
        // event window at byte 24.
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
        if (generic->extension != xinputOpcode())
            return UserPress::None;
        if (generic->event_type == 2)
            press = UserPress::Key;
        else if (generic->event_type == 4 || generic->event_type == 18)
            press = UserPress::Click;
        if (generic->event_type == 4)
            std::memcpy(&button, reinterpret_cast<const char *>(event) + 16, sizeof button);
        std::memcpy(&on, reinterpret_cast<const char *>(event) + 24, sizeof on);
    }
    if (press == UserPress::Click && button > 3)
        press = UserPress::OtherButton;
    if (window && press != UserPress::None)
        *window = on;
    return press;
}
