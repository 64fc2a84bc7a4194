#include "dialogstate.h"

#include "programrule.h"
#include "windowlayer.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

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

bool minimized(const QWidget *widget)
{
    return widget->windowState() & Qt::WindowMinimized;
}

class ProgramDownWithItsBoxes : public QObject
{
public:
    using QObject::QObject;

protected:
    // Only the manager's news: the program's own minimize and restore send their events at once.
    // (Not a window it blocks given the focus: a manager focuses one as the box goes down.)
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::WindowStateChange || !event->spontaneous() || !watched->isWidgetType())
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        if (!widget->isWindow() || !widget->isVisible())
            return false;
        const bool was = static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized;
        if (widget->isModal() && minimized(widget) && !was)
            goDown();
        else if (blocked(widget) && was && !minimized(widget))
            QMetaObject::invokeMethod(this, [this] { comeBack(); }, Qt::QueuedConnection);
        return false;
    }

private:
    static bool blocked(const QWidget *widget)
    {
        return widget->isVisible() && !widget->isModal() && widget->windowType() == Qt::Window;
    }

    void goDown()
    {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (blocked(window) && !minimized(window))
                window->setWindowState(window->windowState() | Qt::WindowMinimized);
        }
    }

    // Each modal window minimized comes back; the newest, the one that takes the keys, last.
    void comeBack()
    {
        QWidget *top = QApplication::activeModalWidget();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window != top && window->isModal() && window->isVisible() && minimized(window))
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        }
        if (!top || !top->isVisible() || !minimized(top))
            return;
        top->setWindowState(top->windowState() & ~Qt::WindowMinimized);
        top->raise();
        top->activateWindow();
    }
};

} // namespace

void minimizeTheProgramWithItsBoxes()
{
    installProgramRule<ProgramDownWithItsBoxes>();
}

void forgetMinimizedAsDialogsGo()
{
    installProgramRule<MinimizedForgotten>();
}
