#pragma once

// Texts of the numbers the analysis lists show, and the paging arithmetic they share.
// Numbers are fixed notation ('f'); "-" stands for a value that is missing or meaningless.

#include <QString>

// "-" when not above 0, else 2 decimals (prices, price-to-book, PEG).
QString positiveText(double value);
// "-" when not above 0, 0 decimals from 100 up, else 2 (PE, ROE).
QString ratioText(double value);
// "-" when exactly 0, 0 decimals at 100 or more or -100 or less, else 2 (growth rates).
QString growthText(double value);
// "-" when exactly 0, else 2 decimals (EPS, changes).
QString nonZeroText(double value);

// The industry of a stock whose Ind_Name lists several, separated by ",": the first one.
QString firstIndustry(const QString &industries);

// Name and code of a stock as the rich text of its name cell; the name is escaped.
QString stockNameHtml(const QString &name, const QString &code);

// The red point of a stock with reports published on the newest entry day.
QString redPointHtml();

// The caption of year Y + offset of the list year Y (getListYear), "E" after an estimate year.
QString yearCaption(int offset, bool estimate);

// Rows that fit into a viewport of the given height, never fewer than 1.
int rowsPerPage(int viewportHeight, int rowHeight);
// The last page of count records, 0 when there are none.
int lastPageOf(int count, int rowsPerPage);
