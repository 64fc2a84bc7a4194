#include "keysbeforefocus.h"

#include "keysbehindheldclicks.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

namespace {

// The text a plain key types: letters and digits are all a shortcut's key code tells.
QString typedText(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter(key);
        return modifiers & Qt::ShiftModifier ? QString(letter) : QString(letter.toLower());
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return QString(QChar(key));
    return QString();
}

bool isSecondClick(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonDblClick
           || (event->type() == QEvent::MouseButtonPress
               && (static_cast<const QMouseEvent *>(event)->flags() & Qt::MouseEventCreatedDoubleClick));
}

} // namespace

KeysBeforeFocus::KeysBeforeFocus(QWidget *window, QWidget *target, const QVector<int> &keys)
    : QObject(window)
    , m_window(window)
    , m_target(target)
{
    keepKeysBehindHeldClicks();
    for (int combination : keys) {
        auto *shortcut = new QShortcut(QKeySequence(combination), window, nullptr, nullptr, Qt::ApplicationShortcut);
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, [this, combination] { deliver(combination); });
        m_shortcuts << shortcut;
    }
}

void KeysBeforeFocus::arm()
{
    if (m_window->isActiveWindow())
        return;
    if (!m_armed) {
        m_window->installEventFilter(this);
        // Clicks reach a window before its widgets: watched there, each is seen once.
        qApp->installEventFilter(this);
    }
    m_armed = true;
    setEnabled(true);
}

void KeysBeforeFocus::disarm()
{
    m_armed = false;
    setEnabled(false);
    m_window->removeEventFilter(this);
    qApp->removeEventFilter(this);
}

bool KeysBeforeFocus::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_window) {
        if (type == QEvent::WindowActivate)
            setEnabled(false);
        else if (type == QEvent::Hide)
            disarm();
        return false;
    }
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && watched->isWindowType()
        && watched != m_window->windowHandle())
        clicked(event);
    return false;
}

void KeysBeforeFocus::clicked(QEvent *event)
{
    if (!isSecondClick(event)) {
        disarm();
        return;
    }
    setEnabled(true);
    m_window->activateWindow();
}

void KeysBeforeFocus::setEnabled(bool enabled)
{
    for (QShortcut *shortcut : qAsConst(m_shortcuts))
        shortcut->setEnabled(enabled);
}

void KeysBeforeFocus::deliver(int combination)
{
    const auto modifiers = Qt::KeyboardModifiers(combination & Qt::KeyboardModifierMask);
    const int key = combination & ~Qt::KeyboardModifierMask;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, typedText(key, modifiers));
    // A key press sent to a widget is first offered to the shortcuts, these among them. The
    // key may end the hand-over (Escape hides the window).
    setEnabled(false);
    QCoreApplication::sendEvent(m_target, &press);
    setEnabled(m_armed && !m_window->isActiveWindow());
}
