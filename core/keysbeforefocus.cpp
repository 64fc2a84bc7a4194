#include "keysbeforefocus.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

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

} // namespace

KeysBeforeFocus::KeysBeforeFocus(QWidget *window, QWidget *target, const QVector<int> &keys)
    : QObject(window)
    , m_window(window)
    , m_target(target)
{
    for (int combination : keys) {
        auto *shortcut = new QShortcut(QKeySequence(combination), window, nullptr, nullptr, Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, combination] { deliver(combination); });
        m_shortcuts << shortcut;
    }
    window->installEventFilter(this);
    setEnabled(!window->isActiveWindow());
}

bool KeysBeforeFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowActivate) {
        setEnabled(false);
        m_window->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
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
    // A key press sent to a widget is first offered to the shortcuts, these among them.
    setEnabled(false);
    QCoreApplication::sendEvent(m_target, &press);
    if (!m_window->isActiveWindow())
        setEnabled(true);
}
