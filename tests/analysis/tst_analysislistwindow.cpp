#include "reportfixture.h"

#include "qcomplexheaderview.h"
#include "qwinanalysislist.h"

#include <QMdiArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QWheelEvent>

namespace {

// A list of numbered records "001", "002"... that counts its queries and answers its own
// showList as the main window would, at once.
class CountingList : public QWinAnalysisList
{
public:
    CountingList()
        : QWinAnalysisList(params(), nullptr)
    {
        connect(this, &QWinAnalysisList::showList, this, &CountingList::showListAt);
    }

    static AnalysisListParams params()
    {
        AnalysisListParams p;
        for (int i = 0; i < 5; ++i)
            p.columns << AnalysisColumn{QString::number(i), i >= 3 ? QStringList{"g"} : QStringList(), 60};
        p.rowHeight = 30;
        p.fixedSections = {1};
        p.orderSections = {{"count", 3}, {"mat", 4, true}};
        return p;
    }

    using QWinAnalysisList::header;
    using QWinAnalysisList::pager;
    using QWinAnalysisList::showListAt;
    using QWinAnalysisList::table;

    int records = 0, queries = 0, section = -1;
    bool fails = false;
    Qt::SortOrder order = Qt::AscendingOrder;

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &, int s, Qt::SortOrder o) override
    {
        ++queries;
        section = s;
        order = o;
        return !fails && query.exec(QStringLiteral("with recursive n(x) as (select 1 union all select x + 1 from n "
                                                   "where x < %1) select printf('%03d', x) from n where %1 > 0 order by x %2")
                                        .arg(records)
                                        .arg(o == Qt::DescendingOrder ? "desc" : ""));
    }
    void fillRow(int row, const ListRecord &record) override
    {
        putItem(row, 0, record.value(0).toString(), Qt::AlignCenter)->setData(Qt::UserRole, record.value(0));
        for (int c = 1; c < table->columnCount(); ++c)
            putItem(row, c, QString(), Qt::AlignCenter);
    }
    void markRows() override {}
};

QString listRequest(const QString &name, const QString &order = "count", const QString &direct = "desc")
{
    return QStringLiteral("{\"id\": \"CNS_X\", \"name\": \"%1\", \"args\": {}, \"order\": \"%2\", \"direct\": \"%3\"}")
        .arg(name, order, direct);
}

} // namespace

class TestAnalysisListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;
    CountingList *m_list = nullptr;
    int m_rows = 0;

    QString firstKey() const { return m_list->table->item(0, 0)->text(); }
    QString firstNumber() const { return m_list->table->verticalHeaderItem(0)->text(); }
    void clickSection(int section)
    {
        QHeaderView *h = m_list->header;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(section) + 5, h->height() - 5));
    }
    void wheel(int dy, int dx = 0)
    {
        QWidget *viewport = m_list->table->viewport();
        QWheelEvent event(QPointF(10, 10), viewport->mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(dx, dy),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }

private slots:
    void initTestCase()
    {
        m_dir = openFixtureDatabase({});
        QVERIFY(m_dir);
    }

    void init()
    {
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(700, 500);
        m_area->show();
        m_list = new CountingList;
        m_area->addSubWindow(m_list, Qt::FramelessWindowHint);
        m_list->records = 100;
        m_list->showListAt(listRequest("A"), 0);
        m_rows = m_list->rowsPerPage();
        m_list->queries = 0;
        // Whole rows of the viewport, below the header.
        QCOMPARE(m_rows, m_list->table->viewport()->height() / 30);
        QVERIFY(m_rows > 5);
        QCOMPARE(m_list->table->rowCount(), m_rows);
    }

    void cleanup() { m_area.reset(); }

    void newRequestTakesItsSort_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("direct");
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("sortOrder");
        QTest::newRow("count desc") << "count" << "desc" << 3 << int(Qt::DescendingOrder);
        QTest::newRow("capital DESC ascends") << "count" << "DESC" << 3 << int(Qt::AscendingOrder);
        QTest::newRow("no direct") << "count" << "" << 3 << int(Qt::AscendingOrder);
        QTest::newRow("unknown order") << "nope" << "desc" << 0 << int(Qt::DescendingOrder);
        QTest::newRow("prefix order") << "matrix" << "descending" << 4 << int(Qt::DescendingOrder);
    }

    void newRequestTakesItsSort()
    {
        QFETCH(QString, order);
        QFETCH(QString, direct);
        QFETCH(int, section);
        QFETCH(int, sortOrder);
        m_list->showListAt(listRequest("B", order, direct), 0);
        QCOMPARE(QList<int>({m_list->queries, m_list->section, int(m_list->order), m_list->header->sortIndicatorSection(),
                             int(m_list->header->sortIndicatorOrder())}),
                 QList<int>({1, section, sortOrder, section, sortOrder}));
    }

    void sameRequestRunsNoQueryAndRepublishesCodes()
    {
        QSignalSpy disabled(m_list, &QWinAnalysisList::disablePageAll);
        clearCurrentStockList();
        m_list->showListAt(listRequest("A"), 0);
        m_list->showLastList();
        QCOMPARE(m_list->queries, 0);
        QCOMPARE(disabled.count(), 2);
        QCOMPARE(getCurrentStockList().size(), 100);
        QCOMPARE(getCurrentStockList().first(), QStringLiteral("100"));
    }

    void countsAndPagesOfTheResult_data()
    {
        // Records as whole pages and some more, the page asked for, the page shown.
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("more");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("shown");
        QTest::newRow("none") << 0 << 0 << 0 << 0;
        QTest::newRow("two pages exactly") << 2 << 0 << 1 << 1;
        QTest::newRow("beyond the last") << 2 << 5 << 9 << 2;
    }

    void countsAndPagesOfTheResult()
    {
        QFETCH(int, pages);
        QFETCH(int, more);
        QFETCH(int, page);
        QFETCH(int, shown);
        m_list->records = pages * m_rows + more;
        m_list->showListAt(listRequest("D"), page);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->pager->maximum(), shown);
        QCOMPARE(m_list->pager->value(), shown);
        QCOMPARE(m_list->table->rowCount(), more ? more : pages ? m_rows : 0);
        if (m_list->records)
            QCOMPARE(firstNumber(), QString::number(shown * m_rows + 1));
    }

    void pagerPagesTheResultRead()
    {
        m_list->pager->setValue(5);
        QCOMPARE(m_list->queries, 0);
        QCOMPARE(firstNumber(), QString::number(5 * m_rows + 1));
        QCOMPARE(firstKey(), QString::asprintf("%03d", 100 - 5 * m_rows));
        // A page asked for from elsewhere (the history, the side bar) reads the database again.
        m_list->showListAt(listRequest("A"), 2);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(firstNumber(), QString::number(2 * m_rows + 1));
        // A new list shows page 0; moving the pager back to it asks for nothing.
        m_list->records = 3;
        QSignalSpy disabled(m_list, &QWinAnalysisList::disablePageAll);
        m_list->showListAt(listRequest("C"), 0);
        QCOMPARE(m_list->queries, 2);
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(m_list->pager->value(), 0);
        QCOMPARE(m_list->table->rowCount(), 3);
    }

    void failedQueryShowsAnEmptyList()
    {
        m_list->fails = true;
        m_list->showListAt(listRequest("E"), 3);
        QCOMPARE(m_list->table->rowCount(), 0);
        QCOMPARE(m_list->pager->maximum(), 0);
        QCOMPARE(getCurrentStockList(), QStringList());
    }

    void headerClicks()
    {
        // A fixed section keeps the sort, but turns back to page 0.
        clickSection(1);
        QCOMPARE(m_list->queries, 0);
        m_list->pager->setValue(3);
        clickSection(1);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->pager->value(), 0);
        QCOMPARE(m_list->section, 3);
        QCOMPARE(m_list->order, Qt::DescendingOrder);
        QCOMPARE(m_list->header->sortIndicatorSection(), 3);
        // Another section sorts ascending, then descending; the tint follows it.
        clickSection(4);
        QCOMPARE(m_list->section, 4);
        QCOMPARE(m_list->order, Qt::AscendingOrder);
        clickSection(4);
        QCOMPARE(m_list->order, Qt::DescendingOrder);
        QCOMPARE(m_list->queries, 3);
        QCOMPARE(m_list->table->item(0, 4)->background().color(), getSortColumnColor());
        QVERIFY(m_list->table->item(0, 3)->background().style() == Qt::NoBrush);
    }

    void wheelTurnsOnePagePerNotch()
    {
        wheel(-120);
        QCOMPARE(m_list->pager->value(), 1);
        // A sideways wheel scrolls a wide table sideways; no delta turns nothing.
        m_list->table->setColumnWidth(4, 3000);
        QTRY_VERIFY(m_list->table->horizontalScrollBar()->maximum() > 0);
        wheel(0, -120);
        QVERIFY(m_list->table->horizontalScrollBar()->value() > 0);
        wheel(0);
        wheel(-60);
        QCOMPARE(m_list->pager->value(), 1);
        wheel(-60);
        QCOMPARE(m_list->pager->value(), 2);
        wheel(120);
        QCOMPARE(firstNumber(), QString::number(m_rows + 1));
        m_list->pager->setValue(m_list->pager->maximum());
        const QString last = firstNumber();
        wheel(-120);
        QCOMPARE(firstNumber(), last);
        QCOMPARE(m_list->queries, 0);
    }
};

QTEST_MAIN(TestAnalysisListWindow)
#include "tst_analysislistwindow.moc"
