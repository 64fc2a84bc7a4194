#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <functional>

// The shared steps of the editors of named lists (stock blocks, favourite folders, subscriptions):
// asking for a name, renaming and removing the current row. The prompts and messages are made
// from two words of the kind, e.g. "板块" and "板块名".
struct NamedListKind
{
    QString noun;
    QString nameWord;
    std::function<QStringList()> names;
    std::function<bool(const QString &oldName, const QString &newName)> rename;
    std::function<bool(const QString &name)> remove;
};

// Asks for a new name (rename: for the new name of an entry). Returns it trimmed, or the empty text
// when the user cancelled or after a critical box for an empty or improper name.
QString askListName(QWidget *parent, const NamedListKind &kind, bool rename);

// Asks for the name of a new entry until the user gives a proper one that no entry bears, or
// cancels (the empty text). Each refusal says why and offers the refused text again, so what was
// written for the entry is not lost to a mistyped name.
QString askNewListName(QWidget *parent, const NamedListKind &kind);

// Renames the current row's entry through the store. A name that another entry bears is refused
// with a message, since every operation by name reaches only the first entry of a name. True
// when the store changed.
bool renameCurrentEntry(QWidget *parent, QListWidget *list, const NamedListKind &kind);

// Asks, then removes the current row's entry through the store; true when the store changed.
bool removeCurrentEntry(QWidget *parent, QListWidget *list, const NamedListKind &kind);

// Refills the list with the kind's names in stored order; no row is current afterwards.
void fillNameList(QListWidget *list, const NamedListKind &kind);
