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
        p.initialSortSection = 3;
        p.orderSections = {{"count", 3}, {"mat", 4, true}};
        p.defaultListId = "CNS_ALL";
        return p;
    }

    using QWinAnalysisList::header;
    using QWinAnalysisList::pager;
    using QWinAnalysisList::showListAt;
    using QWinAnalysisList::table;

    int records = 0;
    int queries = 0;
    bool fails = false;
    int section = -1;
    Qt::SortOrder order = Qt::AscendingOrder;

protected:
    bool runQuery(QSqlQuery &query, const AnalysisListRequest &, int s, Qt::SortOrder o) override
    {
        ++queries;
        section = s;
        order = o;
        if (fails)
            return false;
        return query.exec(QStringLiteral("with recursive n(x) as (select 1 union all select x + 1 from n where x < %1) "
                                         "select printf('%03d', x) from n where %1 > 0 order by x %2")
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

void wheel(QWidget *viewport, QPoint angle)
{
    QWheelEvent event(QPointF(10, 10), viewport->mapToGlobal(QPoint(10, 10)), QPoint(), angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
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
    }

    void cleanup() { m_area.reset(); }

    void rowsFitTheViewport()
    {
        QCOMPARE(m_rows, m_list->table->viewport()->height() / 30);
        QVERIFY(m_rows > 5);
        QCOMPARE(m_list->table->rowCount(), m_rows);
        // The last row ends inside the viewport.
        QVERIFY(m_list->table->rowViewportPosition(m_rows - 1) + 30 <= m_list->table->viewport()->height());
    }

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
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->section, section);
        QCOMPARE(int(m_list->order), sortOrder);
        QCOMPARE(m_list->header->sortIndicatorSection(), section);
        QCOMPARE(int(m_list->header->sortIndicatorOrder()), sortOrder);
    }

    void sameRequestRunsNoQueryAndRepublishesCodes()
    {
        QSignalSpy disabled(m_list, &QWinAnalysisList::disablePageAll);
        clearCurrentStockList();
        m_list->showListAt(listRequest("A"), 0);
        QCOMPARE(m_list->queries, 0);
        QCOMPARE(disabled.count(), 1);
        QCOMPARE(getCurrentStockList().size(), 100);
        QCOMPARE(getCurrentStockList().first(), QStringLiteral("100"));
        QCOMPARE(firstKey(), QStringLiteral("100"));
        m_list->showLastList();
        QCOMPARE(m_list->queries, 0);
    }

    void pageBeyondTheLastShowsTheLast()
    {
        m_list->records = 2 * m_rows + 5;
        m_list->showListAt(listRequest("B"), 9);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->pager->maximum(), 2);
        QCOMPARE(m_list->pager->value(), 2);
        QCOMPARE(m_list->table->rowCount(), 5);
        QCOMPARE(firstNumber(), QString::number(2 * m_rows + 1));
        m_list->showListAt(listRequest("B"), 2);
        QCOMPARE(m_list->queries, 1);
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
    }

    void newListWhileOnALaterPageShowsPageZero()
    {
        m_list->pager->setValue(5);
        m_list->records = 3;
        QSignalSpy disabled(m_list, &QWinAnalysisList::disablePageAll);
        m_list->showListAt(listRequest("C"), 0);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(disabled.count(), 1); // moving the pager back asked for nothing
        QCOMPARE(m_list->pager->value(), 0);
        QCOMPARE(m_list->pager->maximum(), 0);
        QCOMPARE(m_list->table->rowCount(), 3);
        QCOMPARE(firstNumber(), QStringLiteral("1"));
    }

    void countsAndPagesOfTheResult_data()
    {
        // Records as whole pages and some more; rows shown as a whole page or the rest.
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("more");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<bool>("wholePage");
        QTest::newRow("none") << 0 << 0 << 0 << 0 << false;
        QTest::newRow("two pages exactly") << 2 << 0 << 1 << 1 << true;
        QTest::newRow("two pages and one") << 2 << 1 << 2 << 2 << false;
    }

    void countsAndPagesOfTheResult()
    {
        QFETCH(int, pages);
        QFETCH(int, more);
        QFETCH(int, page);
        QFETCH(int, maximum);
        QFETCH(bool, wholePage);
        m_list->records = pages * m_rows + more;
        m_list->showListAt(listRequest("D"), page);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->pager->maximum(), maximum);
        QCOMPARE(m_list->table->rowCount(), wholePage ? m_rows : more);
    }

    void failedQueryShowsAnEmptyList()
    {
        QSignalSpy disabled(m_list, &QWinAnalysisList::disablePageAll);
        m_list->fails = true;
        m_list->showListAt(listRequest("E"), 3);
        QCOMPARE(m_list->table->rowCount(), 0);
        QCOMPARE(m_list->pager->maximum(), 0);
        QCOMPARE(getCurrentStockList(), QStringList());
        QCOMPARE(disabled.count(), 1);
    }

    void fixedSectionKeepsTheSort()
    {
        clickSection(1);
        QCOMPARE(m_list->queries, 0);
        QCOMPARE(m_list->header->sortIndicatorSection(), 3);
        QCOMPARE(m_list->header->sortIndicatorOrder(), Qt::DescendingOrder);

        m_list->pager->setValue(3);
        clickSection(1);
        QCOMPARE(m_list->queries, 1);
        QCOMPARE(m_list->pager->value(), 0);
        QCOMPARE(m_list->section, 3);
        QCOMPARE(m_list->order, Qt::DescendingOrder);
        QCOMPARE(m_list->header->sortIndicatorSection(), 3);
    }

    void sortableSectionSortsAscendingThenDescending()
    {
        m_list->pager->setValue(2);
        clickSection(4);
        QCOMPARE(m_list->section, 4);
        QCOMPARE(m_list->order, Qt::AscendingOrder);
        QCOMPARE(m_list->pager->value(), 0);
        clickSection(4);
        QCOMPARE(m_list->order, Qt::DescendingOrder);
        QCOMPARE(m_list->queries, 2);
        // The tint follows the sorted column.
        QCOMPARE(m_list->table->item(0, 4)->background().color(), getSortColumnColor());
        QVERIFY(m_list->table->item(0, 3)->background().style() == Qt::NoBrush);
    }

    void wheelTurnsOnePagePerNotch()
    {
        QWidget *viewport = m_list->table->viewport();
        wheel(viewport, QPoint(0, 120)); // away from the user on page 0
        QCOMPARE(m_list->pager->value(), 0);
        wheel(viewport, QPoint(0, -120));
        QCOMPARE(m_list->pager->value(), 1);
        // A sideways wheel scrolls a wide table sideways.
        m_list->table->setColumnWidth(4, 3000);
        QTRY_VERIFY(m_list->table->horizontalScrollBar()->maximum() > 0);
        wheel(viewport, QPoint(-120, 0));
        QVERIFY(m_list->table->horizontalScrollBar()->value() > 0);
        wheel(viewport, QPoint(0, 0));
        QCOMPARE(m_list->pager->value(), 1);
        wheel(viewport, QPoint(0, -60));
        QCOMPARE(m_list->pager->value(), 1);
        wheel(viewport, QPoint(0, -60));
        QCOMPARE(m_list->pager->value(), 2);
        wheel(viewport, QPoint(0, 120));
        QCOMPARE(m_list->pager->value(), 1);
        QCOMPARE(firstNumber(), QString::number(m_rows + 1));

        m_list->pager->setValue(m_list->pager->maximum());
        const QString last = firstNumber();
        wheel(viewport, QPoint(0, -120));
        QCOMPARE(firstNumber(), last);
        QCOMPARE(m_list->queries, 0);
    }

    void keptWhenClosed()
    {
        QPointer<CountingList> list(m_list);
        m_list->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(list);
    }
};

QTEST_MAIN(TestAnalysisListWindow)
#include "tst_analysislistwindow.moc"
