#pragma once

// What the X server and the window manager say about a window, read with the X utilities
// (xwininfo, xprop, xdotool) on $DISPLAY, not from Qt's own record: where its frame stands on
// the screen, whether it is mapped, where the program asked for it to go.
//
//   const XWindowState login = xWindowState(id);
//   QVERIFY(login.framed);
//   QCOMPARE(login.frame.center(), ...);

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Runs an X utility; false when it failed. Its standard output goes to out.
inline bool runXTool(const QString &program, const QStringList &args, QString *out = nullptr)
{
    QProcess tool;
    tool.start(program, args);
    const bool ran = tool.waitForFinished(20000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    if (out)
        *out = ran ? QString::fromUtf8(tool.readAllStandardOutput()) : QString();
    return ran;
}

struct XWindowState
{
    bool exists = false;
    bool mapped = false;
    bool iconic = false;     // minimized: ICCCM's Iconic state (a compositing manager may keep
                             // a minimized window mapped)
    bool managed = false;    // the window manager has taken it on (ICCCM's WM_STATE)
    bool framed = false;     // the window manager has framed it: set its frame extents, or taken
                             // on a window that asked for no frame (some set no extents then)
    QRect client;            // the window itself on the screen
    QRect frame;             // with the frame the window manager drew around it
    bool userPosition = false;
    QPoint userPositionAt;   // where the program asked for the window to go (WM_NORMAL_HINTS)
    bool staticGravity = false; // the place asked for is the window's own, not its frame's

    // True when the program asked for no place, or for the one where the window stands.
    bool askedForWhereItStands() const
    {
        return !userPosition || userPositionAt == (staticGravity ? client.topLeft() : frame.topLeft());
    }

    // The frame the window manager drew around the window: left, top, right, bottom.
    QMargins extents() const
    {
        return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    }
    // Where the program asked the window itself to go, for a frame of these extents around it.
    QRect askedClient(const QMargins &around) const
    {
        const QRect at(userPositionAt, client.size());
        return staticGravity ? at : at.translated(around.left(), around.top());
    }

    // Twice the frame's centre, so that odd sizes compare exactly.
    QPoint doubleCentre() const { return frame.topLeft() * 2 + QPoint(frame.width(), frame.height()); }
    QString describe() const
    {
        return QStringLiteral("frame %1,%2 %3x%4%5%6")
            .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
            .arg(QLatin1String(mapped ? "" : ", unmapped") + QLatin1String(iconic ? ", minimized" : ""))
            .arg(userPosition ? QStringLiteral(", asked for %1,%2").arg(userPositionAt.x()).arg(userPositionAt.y())
                              : QString());
    }
};

// Whether xprop's WM_STATE shows the manager has taken the window on (ICCCM: it sets the
// property as it manages a window, and sets it to Withdrawn or removes it as it lets it go).
inline bool isManaged(const QString &wmState)
{
    const QRegularExpressionMatch state = QRegularExpression(QStringLiteral("window state: (\\w+)")).match(wmState);
    return state.hasMatch() && state.captured(1) != QLatin1String("Withdrawn");
}

// Whether the manager has let the window go, as ICCCM allows it either way.
inline bool withdrawn(quint64 id)
{
    QString out;
    return runXTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(id), QStringLiteral("WM_STATE")}, &out)
           && !isManaged(out);
}

inline XWindowState xWindowState(quint64 id)
{
    XWindowState state;
    const QString hex = QStringLiteral("0x") + QString::number(id, 16);
    QString info, props;
    if (!runXTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex}, &info))
        return state;
    state.exists = true;
    const auto number = [&info](const QString &label) {
        return QRegularExpression(label + QStringLiteral(":\\s+(-?\\d+)")).match(info).captured(1).toInt();
    };
    state.client = QRect(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")),
                         number(QStringLiteral("Width")), number(QStringLiteral("Height")));
    state.mapped = info.contains(QLatin1String("IsViewable"));
    runXTool(QStringLiteral("xprop"),
             {QStringLiteral("-id"), hex, QStringLiteral("WM_NORMAL_HINTS"), QStringLiteral("_NET_FRAME_EXTENTS"),
              QStringLiteral("WM_STATE"), QStringLiteral("_MOTIF_WM_HINTS")}, &props);
    // left, right, top, bottom
    const QRegularExpressionMatch extents =
        QRegularExpression(QStringLiteral("_NET_FRAME_EXTENTS\\(CARDINAL\\) = (\\d+), (\\d+), (\\d+), (\\d+)")).match(props);
    // Flags, functions, decorations: decorations asked for (flag 2) and none.
    const QRegularExpressionMatch motif =
        QRegularExpression(QStringLiteral("_MOTIF_WM_HINTS\\(_MOTIF_WM_HINTS\\) = 0x([0-9a-f]+), 0x[0-9a-f]+, 0x([0-9a-f]+)"))
            .match(props);
    const bool noFrameAsked = motif.hasMatch() && (motif.captured(1).toUInt(nullptr, 16) & 2)
                              && motif.captured(2).toUInt(nullptr, 16) == 0;
    state.managed = isManaged(props);
    state.framed = extents.hasMatch() || (noFrameAsked && state.managed);
    state.iconic = props.contains(QLatin1String("window state: Iconic"));
    state.frame = state.client;
    if (state.framed)
        state.frame.adjust(-extents.captured(1).toInt(), -extents.captured(3).toInt(), extents.captured(2).toInt(),
                           extents.captured(4).toInt());
    const QRegularExpressionMatch asked =
        QRegularExpression(QStringLiteral("user specified location: (-?\\d+), (-?\\d+)")).match(props);
    state.userPosition = asked.hasMatch();
    if (state.userPosition)
        state.userPositionAt = QPoint(asked.captured(1).toInt(), asked.captured(2).toInt());
    state.staticGravity = props.contains(QLatin1String("window gravity: Static"));
    return state;
}

// What the manager lets the user do with the window (EWMH's _NET_WM_ALLOWED_ACTIONS), as its
// title bar's buttons show it: "CLOSE", "MINIMIZE", ... in the manager's order.
inline QStringList allowedActions(quint64 id)
{
    QString out;
    runXTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(id), QStringLiteral("_NET_WM_ALLOWED_ACTIONS")}, &out);
    QStringList actions;
    for (const QString &atom : out.section(QLatin1Char('='), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
        actions << atom.trimmed().remove(QStringLiteral("_NET_WM_ACTION_"));
    return actions;
}

// Whether the screen can show the window: mapped, and not minimized.
inline bool isShown(quint64 id)
{
    const XWindowState state = xWindowState(id);
    return state.mapped && !state.iconic;
}

// The visible windows whose name matches the pattern (xdotool's search), newest last.
inline QList<quint64> xWindowsNamed(const QString &pattern, bool onlyVisible = true)
{
    QStringList args{QStringLiteral("search")};
    if (onlyVisible)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--name") << pattern;
    QString out;
    runXTool(QStringLiteral("xdotool"), args, &out);
    QList<quint64> ids;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        ids << line.trimmed().toULongLong();
    return ids;
}

// The pointer as a user moves it and clicks, through the X server: at a point of the window
// (in the window's own coordinates), the left button pressed and released there.
inline bool xClick(quint64 window, QPoint at)
{
    return runXTool(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                     QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// Pressed at a point of the window, moved by the distance, released.
inline bool xDrag(quint64 window, QPoint from, QPoint by)
{
    const QString x = QString::number(from.x()), y = QString::number(from.y());
    return runXTool(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window), x, y,
                     QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove_relative"),
                     QStringLiteral("--"), QString::number(by.x()), QString::number(by.y()),
                     QStringLiteral("mouseup"), QStringLiteral("1")});
}

// The window that has the X keyboard focus, as xdotool reads it.
inline quint64 xFocus()
{
    QString out;
    runXTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, &out);
    return out.trimmed().toULongLong();
}

// Typed with the keyboard into whatever has the focus.
inline bool xType(const QString &text)
{
    return runXTool(QStringLiteral("xdotool"), {QStringLiteral("type"), text});
}
