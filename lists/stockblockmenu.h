#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// The block part of a stock's context menu, shared by the windows that offer it.

// Rebuilds menu: newBlock, a separator, then one checkable entry per block (empty names left
// out), checked when the stock is in it. Each entry carries its block's name as data, since a
// style may put an accelerator "&" into its text. Returns the entries for the caller to connect.
QList<QAction *> fillStockBlockMenu(QMenu *menu, QAction *newBlock, const QString &code);

