#pragma once

// A hand on the list windows of the main window under the test's X display (ManagerDisplay):
// the pointer and the buttons driven through the window system, menus picked from, and what
// the cells of a table show as painted.

#include "paintedpixels.h"
#include "xwindows.h"

#include <QApplication>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

// The pointer and the buttons of the X display, as a hand drives them: a menu grabs the
// pointer there, and the window system sends its enter and leave events as it does for a user.
inline bool xdotool(const QStringList &args)
{
    return runXTool(QStringLiteral("xdotool"), args);
}

// The pointer moved onto a point of the widget (its centre by default); false when the widget
// did not hear it come. A window just shown may still be on its way to its place (kwin maps a
// window before it moves it there): the pointer follows it to where the manager says it went.
inline bool pointAt(QWidget *widget, QPoint pos = QPoint(-1, -1))
{
    if (pos == QPoint(-1, -1))
        pos = widget->rect().center();
    QPoint sent(-1, -1);
    bool moved = true;
    return QTest::qWaitFor([&] {
               const QPoint global = widget->mapToGlobal(pos);
               if (global != sent) {
                   sent = global;
                   moved = xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
               }
               return !moved || widget->underMouse();
           })
           && moved;
}

// A click there, the pointer brought there first.
inline bool clickAt(QWidget *widget, Qt::MouseButton button, QPoint pos = QPoint(-1, -1))
{
    return pointAt(widget, pos) && xdotool({"click", button == Qt::RightButton ? "3" : "1"});
}

// Waits for the next menu to open and picks its entry that starts with entry as a user does:
// the pointer onto the entry, a click. Without such an entry the menu is closed. Every menu seen
// is recorded by its entries.
class MenuPicker
{
public:
    explicit MenuPicker(const QString &entry = QString()) : m_entry(entry)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
    }

    QStringList seen;
    bool picked = false;

private:
    void look()
    {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        QStringList texts;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            texts << action->text();
            if (!chosen && !m_entry.isEmpty() && action->text().startsWith(m_entry))
                chosen = action;
        }
        seen << texts.join(QLatin1Char('|'));
        if (!chosen) {
            menu->close();
            return;
        }
        m_timer.stop();
        picked = clickAt(menu, Qt::LeftButton, menu->actionGeometry(chosen).center());
        if (!picked)
            menu->close();
    }

    QString m_entry;
    QTimer m_timer;
};

// The most frequent colour of a cell as painted: the background of an item's short text.
inline QRgb cellBackground(QTableWidget *table, int row, int column)
{
    const QRect rect = table->visualRect(table->model()->index(row, column)) & table->viewport()->rect();
    return mostFrequentColour(table->viewport()->grab(rect).toImage().convertToFormat(QImage::Format_RGB32));
}

// The cells of the link columns that show an underline, as "row,column".
inline QString underlinedCells(QTableWidget *table, const QList<int> &columns)
{
    QStringList cells;
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c : columns) {
            const QRect rect = table->visualRect(table->model()->index(r, c)) & table->viewport()->rect();
            if (!rect.isEmpty() && paintedUnderline(table->viewport()->grab(rect).toImage()))
                cells << QStringLiteral("%1,%2").arg(r).arg(c);
        }
    }
    return cells.join(QLatin1Char(' '));
}

// The rows shown whose item of the column is painted in the colour, as "row ...".
inline QString rowsPaintedIn(QTableWidget *table, int column, QRgb colour)
{
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->viewport()->rect().intersects(table->visualRect(table->model()->index(r, column)))
            && cellBackground(table, r, column) == colour)
            rows << QString::number(r);
    }
    return rows.join(QLatin1Char(' '));
}
