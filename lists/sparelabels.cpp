#include "sparelabels.h"

#include <QTableWidget>

SpareLabels *SpareLabels::of(const QTableWidget *table)
{
    return table->findChild<SpareLabels *>(QString(), Qt::FindDirectChildrenOnly);
}

void SpareLabels::add(int column, QWidget *label)
{
    m_labels[column].append(label);
}

QWidget *SpareLabels::take(int column)
{
    const auto it = m_labels.find(column);
    while (it != m_labels.end() && !it->isEmpty()) {
        if (QWidget *label = it->takeLast())
            return label;
    }
    return nullptr;
}
