#pragma once

#include <Qt>

// Columns of the rating table and the data its column-0 item carries, shared by the files of
// QWinRatingList.
namespace RatingTable {

enum Column {
    ColDate,
    ColStar,
    ColInst,
    ColAnalysts,
    ColStock,
    ColIndustry,
    ColRating,
    ColPages,
    ColPricePub,
    ColTarget,
    ColClose,
    ColChange,
    ColEpsLast,
    ColEps1,
    ColEps2,
    ColEps3,
    ColCagr,
    ColPeTtm,
    ColPeg,
    ColPerformShort,
    ColPerformMiddle,
    ColumnCount
};

enum Role {
    RoleId = Qt::UserRole,
    RoleFileName = Qt::UserRole + 1,
    RoleAge = Qt::UserRole + 2,
    RoleStockCode = Qt::UserRole + 3,
};

} // namespace RatingTable
