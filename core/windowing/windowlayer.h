#pragma once

// What the program asks of the X window manager for its windows, beyond what Qt asks, by the
// rules every manager follows (ICCCM, EWMH). The requests go on Qt's own connection to the X
// server, so they keep their order with Qt's own: a window shown just before is dealt with first,
// a window hidden just after is still there. Each does nothing off X11.

#include <QList>
#include <QtGlobal>

class QWindow;

// The program's own window (a top-level one or a native child) of this X window id; null for
// another program's.
QWindow *programWindow(quint32 id);

// An X atom by its name; none off X11.
quint32 internedAtom(const char *name);

// Before the window is mapped: it asks to be left out of task bars and pagers.
void skipTaskbarBeforeMapping(QWindow *window);

// WM_TRANSIENT_FOR: the window the manager keeps this one above, whose dialog it is. Set in
// Qt's record, which Qt writes as it next maps the window, and in the property itself, which the
// manager follows at once.
void setTransientFor(QWindow *window, QWindow *parent);

// The property alone, for a window on its way out: Qt's record, which it writes at the next
// showing, stays as it is.
void setTransientForUntilShown(QWindow *window, QWindow *parent);

// The program's top-level windows as the manager stacks them, bottom first (EWMH's
// _NET_CLIENT_LIST_STACKING on the root window); empty where the manager keeps no such list.
QList<QWindow *> stackedByTheManager();

// Whether an X event tells that the manager's stacking has changed.
bool isStackingChange(const void *xcbEvent);

// The program's window whose ICCCM WM_STATE the X event tells the manager has set or removed (as
// it minimizes it, brings it back, lets it go); null for any other event.
QWindow *managerStateSetOn(const void *xcbEvent);

// For a window hidden while it was minimized: its _NET_WM_STATE without the hidden state (EWMH
// lets a client write it on a withdrawn window). Qt reads the property again and records the
// window as normal, and so maps it normal at its next showing.
void forgetHiddenState(QWindow *window);

// Asks the manager to minimize the window, as ICCCM's WM_CHANGE_STATE does: Qt's record of it
// follows the manager's answer, and a manager that declines (mutter, for a window without a
// minimize button) leaves the window and the record as they are.
void iconify(QWindow *window);

// Asks the manager to bring a minimized window back, as ICCCM has a client do it: by mapping it.
// For a window the manager has minimized before Qt's record says so.
void deiconify(QWindow *window);

// ICCCM's WM_STATE as the manager set it: none before it has taken the window on (or once it let
// it go), normal, or iconic: minimized, whether or not it keeps the window mapped (a compositing
// manager may). Qt's record follows a moment later. None off X11.
enum class ManagerState { None, Normal, Iconic };
ManagerState managerState(QWindow *window);

// Whether the manager lets a client minimize the window (EWMH's _NET_WM_ALLOWED_ACTIONS): mutter
// never minimizes a dialog.
bool mayMinimize(QWindow *window);

// Whether the window is on the screen now, as the X server has it: Qt's record of a window the
// manager minimized or restored follows a moment later.
bool isViewable(QWindow *window);

// ICCCM's input models. NoInput: the window never takes the keyboard, and no manager offers it
// (Qt lists WM_TAKE_FOCUS for every window, and answers it by taking nothing, which would leave
// the keyboard nowhere). GloballyActive: the manager gives it no keyboard itself, but offers it
// with WM_TAKE_FOCUS (focusOfferedTo), and the program decides. LocallyActive, as Qt has every
// window: the manager gives it the keyboard, as it does at a click or as its choice when another
// window goes, and offers it as well.
enum class InputModel { NoInput, GloballyActive, LocallyActive };
void setInputModel(QWindow *window, InputModel model);

// The program's window the X event offers the keyboard focus to (ICCCM's WM_TAKE_FOCUS), and
// the time of the offer, which a focus given for it is to carry; null for any other event.
QWindow *focusOfferedTo(const void *xcbEvent, quint32 *time);

// The program's top-level window that has the keyboard focus now, as the X server has it (Qt's
// own record follows a moment later); null when another program has it. *asked, when given, is
// the number of the request that asked (see sentBefore()).
QWindow *windowWithTheFocus(quint16 *asked = nullptr);

// Whether the manager has another program's window for the active one (EWMH's
// _NET_ACTIVE_WINDOW): the user is there. False when it has none, or one of the program's.
bool anotherProgramActive();

// The time of the user's last key or click the program took in, as the X server stamped it.
quint32 userTime();

// Gives the keyboard focus to one of the program's windows, as ICCCM lets a client that has
// the focus do, without asking the manager: at the time given (an event's), or now (0, when the
// focus is the program's, and a time older than the manager's last focus change would be
// ignored). Returns the request's number.
quint16 giveFocus(QWindow *window, quint32 time = 0);

// Whether an event the server sent the program (its sequence number) came before the program's
// request of that number was carried out: each event carries the number of the program's last
// request the server had dealt with when it sent it.
bool sentBefore(quint16 eventSequence, quint16 request);

// The major opcode of the XInput extension, through which Qt 5 takes the pointer; 0 without it.
quint8 xinputOpcode();

// What the user pressed, as an X event tells it. A click is one of the three buttons a manager
// focuses a window at, or a touch; the wheel (buttons 4 to 7) and any button past it only act on
// the window under the pointer.
enum class UserPress { None, Key, Click, OtherButton };

// What the X event tells the user pressed, and on which of the program's windows (*window).
UserPress userPressOf(const void *xcbEvent, quint32 *window = nullptr);
