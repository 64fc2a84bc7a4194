#include "boxesabove.h"

#include "programrule.h"
#include "windowlayer.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

bool staysOnTop(const QWidget *window)
{
    return window->windowFlags() & Qt::WindowStaysOnTopHint;
}

bool up(const QWidget *window)
{
    return window && window->isVisible() && !window->isMinimized();
}

class BoxesAbove : public QObject, public QAbstractNativeEventFilter
{
public:
    using QObject::QObject;

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType == "xcb_generic_event_t" && isStackingChange(message) && !stackingCheckQueued) {
            stackingCheckQueued = true;
            QMetaObject::invokeMethod(this, [this] { stackingChanged(); }, Qt::QueuedConnection);
        }
        return false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::ZOrderChange)
            return false;
        // A window minimized and restored comes back as it was: only show() and hide() count.
        if (event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || !window->windowHandle())
            return false;
        if (type == QEvent::Show)
            shown(window);
        else if (type == QEvent::Hide)
            hidden(window);
        else if (staysOnTop(window) && window->isVisible())
            cameToTheTop(window);
        return false;
    }

private:
    // Sent before Qt maps the window: what it finds set then, it maps the window with.
    void shown(QWidget *window)
    {
        if (window->isModal()) {
            naturalParent(window);
            modals.removeAll(window);
            QWidget *onTopUp = topOnTop(window);
            QWidget *anchor = onTopUp ? topModal() : nullptr;
            if (!anchor)
                anchor = onTopUp;
            modals.append(window);
            setTransientFor(window->windowHandle(), anchor ? anchor->windowHandle() : naturalParent(window));
        }
        if (staysOnTop(window))
            cameToTheTop(window);
    }

    // The first box stood over the window gone: it stands over the window on top up now, or
    // over its own window again.
    void hidden(QWidget *window)
    {
        modals.removeAll(window);
        onTop.removeAll(window);
        modals.removeAll(nullptr);
        QWidget *first = modals.value(0);
        if (!first || first->windowHandle()->transientParent() != window->windowHandle())
            return;
        QWidget *next = topOnTop(first);
        setTransientFor(first->windowHandle(), next ? next->windowHandle() : naturalParent(first));
    }

    // A window on top shown or raised goes above the boxes open: the first box now stands over
    // it, and the boxes are raised again, those opened later above those opened earlier.
    void cameToTheTop(QWidget *window)
    {
        onTop.removeAll(window);
        onTop.append(window);
        modals.removeAll(nullptr);
        if (lifting || modals.isEmpty() || modals.contains(window))
            return;
        // Queued, as Qt maps a window it shows after this: the manager deals with it first.
        QMetaObject::invokeMethod(this, [this, on = QPointer<QWidget>(window)] { lift(on); }, Qt::QueuedConnection);
    }

    // The first box stands over the window, each later box over the one before it, and all of
    // them in the stay-on-top layer, raised in the order they were opened.
    void lift(QWidget *anchor)
    {
        modals.removeAll(nullptr);
        if (!up(anchor) || modals.isEmpty())
            return;
        lifting = true;
        QWidget *below = anchor;
        for (QWidget *modal : qAsConst(modals)) {
            if (!modal->isVisible())
                continue;
            // Written only when it changes: a manager restacks a window whose parent is written.
            if (modal->windowHandle()->transientParent() != below->windowHandle())
                setTransientFor(modal->windowHandle(), below->windowHandle());
            modal->raise();
            below = modal;
        }
        lifting = false;
    }

    // A manager may decline to raise a window on top (kwin, for one that did not take the
    // focus), or stack one anew of its own accord: the first box then stands over the window
    // on top that the manager stacks highest.
    void stackingChanged()
    {
        stackingCheckQueued = false;
        modals.removeAll(nullptr);
        const auto firstUp = std::find_if(modals.cbegin(), modals.cend(), [](const QWidget *modal) { return up(modal); });
        if (lifting || firstUp == modals.cend())
            return;
        QWidget *first = *firstUp;
        const QList<QWindow *> order = stackedByTheManager();
        const int boxAt = order.indexOf(first->windowHandle());
        QWidget *highest = nullptr;
        int highestAt = -1;
        for (QWidget *window : qAsConst(onTop)) {
            const int at = up(window) && !modals.contains(window) ? order.indexOf(window->windowHandle()) : -1;
            if (at > highestAt) {
                highest = window;
                highestAt = at;
            }
        }
        if (boxAt < 0 || highestAt < boxAt || first->windowHandle()->transientParent() == highest->windowHandle())
            return;
        lift(highest);
    }

    // The newest box open, which a box opened now stands over.
    QWidget *topModal() const
    {
        for (int i = modals.size() - 1; i >= 0; --i) {
            if (up(modals.at(i)))
                return modals.at(i);
        }
        return nullptr;
    }

    // The window on top shown or raised last and still up.
    QWidget *topOnTop(const QWidget *except) const
    {
        for (int i = onTop.size() - 1; i >= 0; --i) {
            if (onTop.at(i) != except && up(onTop.at(i)))
                return onTop.at(i);
        }
        return nullptr;
    }

    // The window Qt made it the dialog of (its parent's, or one the program chose), recorded
    // before the rule first changed it.
    QWindow *naturalParent(QWidget *window)
    {
        QWindow *handle = window->windowHandle();
        auto found = natural.find(handle);
        if (found == natural.end()) {
            found = natural.insert(handle, handle->transientParent());
            connect(handle, &QObject::destroyed, this, [this, handle] { natural.remove(handle); });
        }
        return found.value();
    }

    QList<QPointer<QWidget>> modals; // open, in the order they were shown
    QList<QPointer<QWidget>> onTop;  // in the order they were shown or raised
    QHash<QWindow *, QPointer<QWindow>> natural;
    bool lifting = false;
    bool stackingCheckQueued = false;
};

} // namespace

void keepBoxesAboveStayOnTopWindows()
{
    installProgramRule<BoxesAbove>();
}
