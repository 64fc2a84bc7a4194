#include "mainwindowtest.h"

#include "devserver.h"
#include "globalstate.h"
#include "qwinconsensuslist.h"
#include "qwinmain.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "standinsession.h"

#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QTableWidget>

namespace {

QTableWidget *tableOf(QWidget *w)
{
    return w->findChild<QTableWidget *>();
}

double number(QTableWidget *t, int row, int column)
{
    const QTableWidgetItem *item = t->item(row, column);
    const QString text = item ? item->text() : QString();
    return text == QLatin1String("-") ? 0 : text.toDouble();
}

// Whether the numbers of a column run up (or down) the page.
bool sortedBy(QTableWidget *t, int column, bool descending)
{
    for (int row = 1; row < t->rowCount(); ++row) {
        const double before = number(t, row - 1, column), after = number(t, row, column);
        if (descending ? before < after : before > after)
            return false;
    }
    return true;
}

void clickSection(QTableWidget *t, int section)
{
    QHeaderView *h = t->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 5, h->height() - 5));
}

} // namespace

// The analysis lists in the main window over the data the engine imported from the stand-in:
// their first lists, a header click through the main window's dispatch, and the quote list
// asked for by a request.
class TestAnalysisStandIn : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    std::unique_ptr<QWinMain> window;
    int listed = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
        const QJsonObject facts = server.manifest().value("facts").toObject();
        setListYear(facts.value("listYear").toInt());
        listed = facts.value("listedStocks").toInt();
        window = std::make_unique<QWinMain>();
        window->resize(1280, 760);
        QVERIFY(showExposed(*window));
        QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel *>("lblStatus")->text(), QStringLiteral("数据更新完毕！"),
                                  180000);
    }

    void cleanupTestCase() { window.reset(); }

    void consensusFirstListAndSort()
    {
        auto *w = window->findChild<QWinConsensusList *>();
        window->showList(getOrderJson("CNS_ALL"), 0);
        QTableWidget *t = tableOf(w);
        QVERIFY(w->isVisible());
        QVERIFY(t->rowCount() > 5);
        QCOMPARE(getCurrentStockList().size(), listed);
        // Most institutions first.
        QVERIFY(t->cellWidget(0, 3)->property("text").toInt() >= t->cellWidget(1, 3)->property("text").toInt());

        clickSection(t, 16);
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 16);
        QVERIFY(sortedBy(t, 16, false));
    }

    void matrixFirstListAndSort()
    {
        auto *w = window->findChild<QWinMatrixList *>();
        window->showList(getOrderJson("MTX_ALL"), 0);
        QTableWidget *t = tableOf(w);
        QVERIFY(w->isVisible());
        QVERIFY(t->rowCount() > 5);
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 3);

        clickSection(t, 6);
        clickSection(t, 6);
        QCOMPARE(t->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(sortedBy(t, 6, true));
    }

    void quoteListByRequest()
    {
        auto *w = window->findChild<QWinQuoteList *>();
        window->showList(getOrderJson("QUO_MKT_SH"), 0);
        QTableWidget *t = tableOf(w);
        QVERIFY(w->isVisible());
        QVERIFY(t->rowCount() > 5);
        QVERIFY(t->item(0, 0)->data(Qt::UserRole).toString().endsWith(".SH"));
        QVERIFY(sortedBy(t, 4, true));
    }
};

QTEST_MAIN(TestAnalysisStandIn)
#include "tst_analysisstandin.moc"
