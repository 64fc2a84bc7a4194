#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QTableWidget;
class QWidget;

// Labels made ahead of the page that first needs them, by column, hidden on a table's viewport
// (makeSpareLabels() in liststyle.h). Making and polishing a page of labels is most of a list's
// first page of rows: done when the window is made, it is out of the way of the sync that shows
// that page.
class SpareLabels : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The table's spare labels, or null.
    static SpareLabels *of(const QTableWidget *table);

    void add(int column, QWidget *label);
    // A spare label of the column, or null.
    QWidget *take(int column);

private:
    QHash<int, QList<QPointer<QWidget>>> m_labels;
};
