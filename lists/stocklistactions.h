#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the stock lists (ratings and the analysis lists) do alike from their row menus.

// Asks for the name of a new stock block ("自定义板块"); trimmed. Empty when the user cancelled
// or gave a name that is empty or holds improper characters (the refusal is shown).
QString askNewBlockName(QWidget *parent);

// Puts "code name" lines of the codes, in order, on the clipboard and says so.
void copyStockListToClipboard(QWidget *parent, const QStringList &codes);
