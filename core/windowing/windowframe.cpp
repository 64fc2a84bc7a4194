#include "windowframe.h"

#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QWindow>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t frameExtentsAtom()
{
    static const xcb_atom_t atom = internedAtom("_NET_FRAME_EXTENTS");
    return atom;
}

xcb_atom_t wmStateAtom()
{
    static const xcb_atom_t atom = internedAtom("WM_STATE");
    return atom;
}

// Passes the manager's setting of a window's extents, or its taking the window on, on to the
// window; Qt goes on handling both.
class FrameSetNotifier : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
        if ((property->atom != frameExtentsAtom() && property->atom != wmStateAtom()) || property->atom == XCB_ATOM_NONE)
            return false;
        if (QWindow *window = programWindow(property->window)) {
            // A widget keeps its own copy of the frame, read again only as its window moves:
            // read then off a frame still being built, it stays wrong unless told of a move.
            // To where the window stands, it moves nothing.
            QCoreApplication::postEvent(window, new QMoveEvent(window->position(), window->position()));
            QCoreApplication::postEvent(window, new QEvent(frameSetEventType()));
        }
        return false;
    }
};

} // namespace

std::optional<QMargins> managedFrame(const QWindow *window)
{
    if (!window)
        return std::nullopt;
    if (window->flags() & Qt::FramelessWindowHint)
        return QMargins();
    if (!QX11Info::isPlatformX11()) {
        const QMargins recorded = window->frameMargins();
        return recorded.isNull() ? std::nullopt : std::optional<QMargins>(recorded);
    }
    if (!window->handle() || frameExtentsAtom() == XCB_ATOM_NONE || wmStateAtom() == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_connection_t *connection = QX11Info::connection();
    const auto id = xcb_window_t(window->winId());
    const xcb_get_property_cookie_t extentsCookie =
        xcb_get_property(connection, 0, id, frameExtentsAtom(), XCB_ATOM_CARDINAL, 0, 4);
    const xcb_get_property_cookie_t stateCookie = xcb_get_property(connection, 0, id, wmStateAtom(), wmStateAtom(), 0, 1);
    const xcb_get_window_attributes_cookie_t mapCookie = xcb_get_window_attributes(connection, id);
    xcb_get_property_reply_t *extents = xcb_get_property_reply(connection, extentsCookie, nullptr);
    xcb_get_property_reply_t *state = xcb_get_property_reply(connection, stateCookie, nullptr);
    xcb_get_window_attributes_reply_t *map = xcb_get_window_attributes_reply(connection, mapCookie, nullptr);
    // Told for this showing only once the manager has taken the window on (ICCCM's NormalState)
    // and mapped it: a window shown again keeps the extents of its last showing, and its state
    // too until a manager held up meanwhile has seen it go.
    const bool managed = state && state->format == 32 && xcb_get_property_value_length(state) == 4
                         && *static_cast<const uint32_t *>(xcb_get_property_value(state)) == 1 && map
                         && map->map_state == XCB_MAP_STATE_VIEWABLE;
    std::optional<QMargins> frame;
    if (managed && extents && extents->type == XCB_ATOM_CARDINAL && extents->format == 32
        && xcb_get_property_value_length(extents) == 16) {
        // Left, right, top, bottom.
        const auto *value = static_cast<const uint32_t *>(xcb_get_property_value(extents));
        frame = QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
    }
    std::free(extents);
    std::free(state);
    std::free(map);
    return frame;
}

QEvent::Type frameSetEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    static const bool watching = [] {
        static FrameSetNotifier notifier;
        if (QX11Info::isPlatformX11())
            QCoreApplication::instance()->installNativeEventFilter(&notifier);
        return true;
    }();
    Q_UNUSED(watching)
    return type;
}

void declareOwnDecorations(QWindow *window)
{
    if (!window || !window->handle() || !QX11Info::isPlatformX11())
        return;
    static const xcb_atom_t atom = internedAtom("_GTK_FRAME_EXTENTS");
    if (atom == XCB_ATOM_NONE)
        return;
    const uint32_t none[4] = {0, 0, 0, 0};
    xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), atom,
                        XCB_ATOM_CARDINAL, 32, 4, none);
    xcb_flush(QX11Info::connection());
}
