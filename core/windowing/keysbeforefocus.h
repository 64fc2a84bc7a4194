#pragma once

// Keys typed while a window opens belong to that window. Until the window manager hands it the
// focus, the X server gives them to the window that had it: Qt drops them there when the new
// window is modal, and a window that is not modal would act on them (Escape takes a list back).
// A busy or slow window manager takes a good part of a second. The window's application-wide
// shortcuts are matched before all that, so the ones made here carry those keys, in order, to
// the window's target widget as if typed into it.
//
//   auto *keys = new KeysBeforeFocus(dialog, dialog->edit, {Qt::Key_Escape, Qt::Key_Return});
//   keys->arm(); // where the user opened the dialog
//
// From arm() the keys are handed over until the window is active. The second click of the
// double-click that opened the window lands on the window clicked, which the manager then
// activates: the window asks for the focus back and has the keys again until it has it. Any
// other click into the program's windows ends all this, and so does hiding. A window shown
// again without the user (its main window restored) is not armed: keys typed into the window
// the manager activated stay there.
//
// On X, keys typed behind a click that the window manager holds up (one that focuses on a click
// holds each click until it has dealt with it) are kept until that click has reached the
// program, so a window the click opens has them: the first hand-over made watches for this.

#include <QObject>
#include <QVector>

class QShortcut;
class QWidget;

class KeysBeforeFocus : public QObject
{
public:
    // keys: key codes, each with its modifiers where they matter (Qt::ShiftModifier | Qt::Key_A).
    // Nothing is handed over until arm().
    KeysBeforeFocus(QWidget *window, QWidget *target, const QVector<int> &keys);

    void arm();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void disarm();
    void setEnabled(bool enabled);
    void deliver(int combination);
    void clicked(QEvent *event);

    QWidget *m_window;
    QWidget *m_target;
    QVector<QShortcut *> m_shortcuts;
    bool m_armed = false; // from arm() until a plain click elsewhere or a hide
};
