#pragma once

#include "listrecord.h"
#include "qlinklabel.h"

#include <QHash>
#include <QMdiSubWindow>
#include <QStringList>
#include <QVector>

#include <memory>

class JsonScript;
class QComplexHeaderView;
class QScrollBar;
class QSqlQuery;
class QTableWidget;
class QTableWidgetItem;
struct AnalysisListRequest;

// One leaf column of an analysis list: its caption, the captions of the groups above it
// (outermost first) and its width. Neighbouring columns naming the same groups share them.
struct AnalysisColumn
{
    QString caption;
    QStringList groups;
    int width = 0;
};

// What the analysis windows differ in, as data.
struct AnalysisListParams
{
    struct OrderSection
    {
        QString order;       // the request's "order"
        int section = 0;     // the sort section of a new request with it
        bool prefix = false; // "order" only has to begin with it
    };

    QVector<AnalysisColumn> columns;
    int rowHeight = 36;
    QVector<int> fixedSections; // clicked, they keep the remembered sort
    QHash<int, QString> widest; // columns widened to show such a text whole at the program's font
    int initialSortSection = 3;
    QVector<OrderSection> orderSections;
    int otherOrderSection = 0; // of any other "order", or none
    bool publishesStockList = true;
    bool tintsSortColumn = true;
    bool wordWrap = false;
    int pagerSpacing = 0;
    QString defaultListId; // of showLastList() before any list was shown
};

// The shared mechanics of the analysis list windows: a table under a multi-level header, a
// scroll bar beside it as the pager, paging by the rows that fit the viewport, sorting by a
// header click, the short cut for the request already shown and the wheel turning pages.
//
// A list request runs one query that reads the whole result; only the shown page's records
// become rows. Turning pages with the pager or the wheel pages that result without a query;
// any other request reads the database again. A page beyond the last shows the last page.
// The pager's range and value are set without re-requesting a page, so a request runs at
// most one query.
class QWinAnalysisList : public QMdiSubWindow
{
    Q_OBJECT

public:
    ~QWinAnalysisList() override;

    int rowsPerPage() const;

signals:
    void showTitle(const QString &title);
    void showList(const QString &request, int page);
    void disablePageAll();

public slots:
    void showLastList();

protected:
    QWinAnalysisList(const AnalysisListParams &params, QWidget *parent);

    // The slot of a list kind: shows the request at the page.
    void showListAt(const QString &request, int page);

    // Prepares and runs the list's query on query; false when there is nothing to show.
    virtual bool runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section,
                          Qt::SortOrder order) = 0;
    // Fills the cells of the appended row from one record of the query.
    virtual void fillRow(int row, const ListRecord &record) = 0;
    // Marks the rows after a fill (user blocks, followed institutions...).
    virtual void markRows() = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The table's current row, or -1.
    int currentRow() const;
    // Column 0's key (role Qt::UserRole) of the current row; empty without one.
    QString currentKey() const;

    // A table item, its alignment through the text-alignment role.
    QTableWidgetItem *putItem(int row, int column, const QString &text, Qt::Alignment alignment);
    // A link label over an empty item, with the application font and no tool tip; clicks go to
    // slot when the label is clickable. The cell's label is kept from page to page: a colour
    // given to it stays until the next is given.
    QLinkLabel *putLabel(int row, int column, const QString &text, Qt::Alignment alignment, Qt::TextFormat format,
                         bool clickable, void (QWinAnalysisList::*slot)() = nullptr);
    template<class W>
    QLinkLabel *putLabel(int row, int column, const QString &text, Qt::Alignment alignment, Qt::TextFormat format,
                         bool clickable, void (W::*slot)())
    {
        // Connected once, when the cell's label is made: the label serves the pages after.
        return putLabel(row, column, text, alignment, format, clickable,
                        static_cast<void (QWinAnalysisList::*)()>(slot));
    }

    QTableWidget *table = nullptr;
    QComplexHeaderView *header = nullptr;
    QScrollBar *pager = nullptr;

private slots:
    void sortList(int section);
    void pageChanged(int page);
    void fillSortColBackground();

private:
    void build();
    // Runs the query and keeps every record and its key.
    void readResult(const AnalysisListRequest &request, int section, Qt::SortOrder order);
    // Sizes the row-number column for count records and lays the table out.
    void fitRowNumbers(int count);
    bool isFixedSection(int section) const;
    int sectionOfOrder(const QString &order) const;
    void showSortIndicator(int section, Qt::SortOrder order);

    const AnalysisListParams m_params;
    std::unique_ptr<JsonScript> m_json;
    QString m_lastRequest;
    int m_lastPage = 0;
    int m_sortSection = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QVector<ListRecord> m_records; // the whole last result
    QStringList m_codes;           // its keys, for the chart's stepping
    int m_pagerPage = -1;          // the page the pager asks for, while it asks
    int m_rowNumberDigits = 0;     // the row-number column is fitted for numbers this long
    int m_wheelRest = 0; // eighths of a degree short of a notch
};
