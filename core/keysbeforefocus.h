#pragma once

// Keys typed while a window opens belong to that window. Until the window manager hands it the
// focus, the X server gives them to the window that had it, and Qt drops them there when the
// new window is modal (a busy or slow window manager takes a good part of a second). The
// window's application-wide shortcuts are matched before that drop, so the ones made here
// carry those keys, in order, to the window's target widget as if typed into it. Once the
// window has been active they are off and every key takes its usual way.
//
//   new KeysBeforeFocus(dialog, dialog->edit, {Qt::Key_Escape, Qt::Key_Return});

#include <QObject>
#include <QVector>

class QShortcut;
class QWidget;

class KeysBeforeFocus : public QObject
{
public:
    // keys: key codes, each with its modifiers where they matter (Qt::ShiftModifier | Qt::Key_A).
    KeysBeforeFocus(QWidget *window, QWidget *target, const QVector<int> &keys);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setEnabled(bool enabled);
    void deliver(int combination);

    QWidget *m_window;
    QWidget *m_target;
    QVector<QShortcut *> m_shortcuts;
};
