#include "dialogstate.h"

#include "windowlayer.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

class MinimizedForgotten : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Hidden by the program (a minimize hides a window spontaneously), or taken for
        // minimized only once it was hidden, as Qt reads the manager's news late.
        const QEvent::Type type = event->type();
        if (!(type == QEvent::Hide && !event->spontaneous()) && type != QEvent::WindowStateChange)
            return false;
        if (!watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        // The main window's own minimize button sees to its state.
        if (!widget->isWindow() || widget->windowType() != Qt::Dialog || widget->isVisible())
            return false;
        QWindow *window = widget->windowHandle();
        if (window && window->windowStates().testFlag(Qt::WindowMinimized))
            forgetHiddenState(window);
        return false;
    }
};

} // namespace

void forgetMinimizedAsDialogsGo()
{
    static QPointer<MinimizedForgotten> rule;
    if (rule)
        return;
    rule = new MinimizedForgotten(qApp);
    qApp->installEventFilter(rule);
}
