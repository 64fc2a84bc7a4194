#include "windowframe.h"

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

xcb_atom_t internedAtom(const char *name)
{
    xcb_connection_t *connection = QX11Info::connection();
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

xcb_atom_t frameExtentsAtom()
{
    static const xcb_atom_t atom = internedAtom("_NET_FRAME_EXTENTS");
    return atom;
}

// Passes the manager's setting of a window's extents on to the window; Qt goes on handling it.
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
        if (property->atom != frameExtentsAtom() || property->atom == XCB_ATOM_NONE)
            return false;
        for (QWindow *window : QGuiApplication::allWindows()) {
            if (!window->handle() || xcb_window_t(window->winId()) != property->window)
                continue;
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
    if (!window->handle() || frameExtentsAtom() == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, xcb_window_t(window->winId()), frameExtentsAtom(), XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::optional<QMargins> frame;
    if (reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        // Left, right, top, bottom.
        const auto *value = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        frame = QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
    }
    std::free(reply);
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
