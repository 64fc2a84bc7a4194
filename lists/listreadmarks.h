#pragma once

#include <QList>
#include <QString>

class QTableWidget;
class QWidget;

// The read marks of a list table: an unread row is bold (its column-0 item's font tells) and
// carries its report id in that item's Qt::UserRole. A row is unbolded only once its flag is
// stored, and a page is stored in one transaction, so the table never shows a row read that
// the database still holds unread.
class ListReadMarks
{
public:
    // statement: the update of one read flag, with one "?" for the report id; labelColumns:
    // the cells whose QLinkLabel is bold while the row is unread.
    ListReadMarks(QTableWidget *table, const QString &statement, const QList<int> &labelColumns);

    bool isUnread(int row) const;
    // True when the row is read now (or was already); false when storing failed (logged).
    bool markRow(int row);
    // All unread rows of the page; on failure nothing is stored or unbolded and a message
    // box with parent tells the user.
    bool markPage(QWidget *parent);

private:
    void showRead(int row);
    QString reportId(int row) const;

    QTableWidget *m_table;
    QString m_statement;
    QList<int> m_labelColumns;
};
