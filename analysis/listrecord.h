#pragma once

#include <QVariant>
#include <QVector>

// The values of one record of a list query, by column; the window keeps a whole result of
// them and pages it without asking the database again.
using ListRecord = QVector<QVariant>;
