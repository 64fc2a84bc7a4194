#include "boxesabove.h"

#include "windowlayer.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

bool staysOnTop(const QWidget *window)
{
    return window->windowFlags() & Qt::WindowStaysOnTopHint;
}

class BoxesAbove : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        // A window minimized and restored comes back as it was: only show() and hide() count.
        if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous())
            return false;
        if (!watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || !window->windowHandle())
            return false;
        if (type == QEvent::Show)
            shown(window);
        else
            open.removeAll(window);
        return false;
    }

private:
    // Sent before Qt maps the window: what is asked of the manager here is queued behind it.
    void shown(QWidget *window)
    {
        open.removeAll(nullptr);
        if (window->isModal()) {
            open.append(window);
            if (onTopWindowUp(window))
                QMetaObject::invokeMethod(this, [box = QPointer<QWidget>(window)] { lift({box}); },
                                          Qt::QueuedConnection);
        } else if (staysOnTop(window) && !open.isEmpty()) {
            // The open ones go above it, in the order they were opened.
            QMetaObject::invokeMethod(this, [this] { lift(open); }, Qt::QueuedConnection);
        }
    }

    static void lift(const QList<QPointer<QWidget>> &modals)
    {
        for (const QPointer<QWidget> &modal : modals) {
            if (modal && modal->isVisible())
                liftIntoStayOnTopLayer(modal->windowHandle());
        }
    }

    static bool onTopWindowUp(const QWidget *except)
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.cbegin(), windows.cend(), [except](const QWidget *window) {
            return window != except && staysOnTop(window) && window->isVisible() && !window->isMinimized();
        });
    }

    QList<QPointer<QWidget>> open; // modal windows on screen, in the order they were shown
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
