#pragma once

// Access to the store's stock blocks for the stock cache, which combines them with its records.

#include <QStringList>

namespace UserListsPrivate {

// Names and values (codes joined by ",") of every block, parallel, taken under the store's lock.
struct BlockEntries
{
    QStringList names;
    QStringList values;
};
BlockEntries blockEntries();

} // namespace UserListsPrivate
