// Column layout and item roles shared by the report list's files.
#pragma once

#include <Qt>

namespace reportlist {

enum Role {
    RoleId = Qt::UserRole,
    RolePublish = Qt::UserRole + 1,
    RoleFileName = Qt::UserRole + 2,
    RoleTitle = Qt::UserRole + 3,
    RoleAnalysts = Qt::UserRole + 4,
    RoleStockCode = Qt::UserRole + 5,
};

enum ColumnIndex { ColDate, ColMark, ColInst, ColTitle, ColAnalysts, ColType, ColPages, ColumnCount };

} // namespace reportlist
