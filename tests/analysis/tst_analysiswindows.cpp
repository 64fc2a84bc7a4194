#include "analysisfixture.h"

#include "modalwatcher.h"
#include "qdlghotrating.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"

#include <QClipboard>
#include <QHeaderView>
#include <QInputDialog>
#include <QMdiArea>
#include <QSignalSpy>

namespace {

qint64 g_ratingId = 100;

bool insertRating(const QString &code, const QString &inst, int score, const QString &published)
{
    return insertInto("T_Rating", "Rpt_ID, Ins_Name, Stk_Code, Rat_Score, Rpt_DtPublish, Rpt_DtEntry",
                      {++g_ratingId, inst, code, score, published, published});
}

QTableWidget *tableOf(QDlgHotRating &dialog) { return dialog.findChild<QTableWidget *>("TblStockList"); }

// "code institutions" of each row.
QStringList rows(QDlgHotRating &dialog)
{
    QStringList list;
    QTableWidget *table = tableOf(dialog);
    for (int r = 0; r < table->rowCount(); ++r)
        list << table->item(r, 0)->data(Qt::UserRole).toString() + QLatin1Char(' ') + table->item(r, 1)->text();
    return list;
}

} // namespace

class TestAnalysisWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;
    QTableWidget *m_table = nullptr;

    // The window, kept for the whole run, showing request.
    template<class W>
    W *open(void (W::*show)(const QString &, int), const QString &request)
    {
        auto *w = new W;
        m_area->addSubWindow(w, Qt::FramelessWindowHint);
        if (w->testAttribute(Qt::WA_DeleteOnClose))
            QTest::qFail("deleted when closed", __FILE__, __LINE__);
        (w->*show)(filledRequest(request), 0);
        m_table = w->template findChild<QTableWidget *>();
        return w;
    }
    QString style(const QString &code, int column = 0) { return ownColour(labelAt(m_table, rowOf(m_table, code), column)); }

private slots:
    void initTestCase()
    {
        m_dir = openAnalysisFixture();
        QVERIFY(m_dir);
    }

    void init()
    {
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1200, 600);
        m_area->show();
    }

    void cleanup()
    {
        m_area.reset();
        QVERIFY(execSql(QStringLiteral("delete from T_Rating")));
    }

    void consensusCells()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        QTableWidget *t = m_table;
        QCOMPARE(t->rowCount(), 5);
        QCOMPARE(rowOf(t, "600001.SH"), 0); // most institutions first
        QCOMPARE(labelAt(t, 0, 1)->toolTip(), QStringLiteral("今日有报告"));
        QCOMPARE(labelAt(t, 0, 2)->textFormat(), Qt::PlainText);
        QCOMPARE(ownColour(labelAt(t, 0, 3)), QStringLiteral("color:red;"));
        QCOMPARE(t->item(0, 3)->background().color(), getSortColumnColor());
        for (int c = 0; c < t->columnCount(); ++c)
            QVERIFY2(t->item(4, c), qPrintable(QString::number(c)));
        QVERIFY(labelAt(t, rowOf(t, "600002.SH"), 0)->text().startsWith(QStringLiteral("&lt;b&gt;阿尔法&lt;/b&gt;<br>")));
        QCOMPARE(QStringList({style("600002.SH"), style("600001.SH")}), QStringList({"color:red;", "color:black;"}));
        QCOMPARE(getCurrentStockList().size(), 5);

        // The click passes through the label and makes its row current.
        QSignalSpy industries(w, &QWinConsensusList::showConsensusListOfInd);
        QSignalSpy ratings(w, &QWinStockList::showRatingListOfStock);
        QTest::mouseClick(labelAt(t, 0, 2), Qt::LeftButton);
        QCOMPARE(industries.value(0).value(0).toString(), QStringLiteral("银行"));
        emit t->doubleClicked(t->model()->index(0, 4));
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("600001.SH"));
    }

    void blockMenuCarriesTheName()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        addBlockStock("A&B", "000001.SZ", false);
        m_table->setCurrentCell(rowOf(m_table, "600001.SH"), 0);
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) {
            for (QAction *a : menu->actions().at(4)->menu()->actions()) {
                if (a->data().toString() == QLatin1String("A&B"))
                    a->trigger();
            }
        });
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QCOMPARE(texts.mid(0, 3), QStringList({"查看研究报告 - 浦发", "查看股票评级 - 浦发", "查看股票走势 - 浦发"}));
        QVERIFY(isStockOfBlock("A&B", "600001.SH"));
        QCOMPARE(style("600001.SH"), QStringLiteral("color:red;"));
        deleteBlock("A&B");
    }

    void newBlockFromTheMenu()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        m_table->setCurrentCell(rowOf(m_table, "600001.SH"), 0);
        QSignalSpy sidebar(w, &QWinStockList::loadBlockListOfSidebar);
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) { menu->actions().at(4)->menu()->actions().first()->trigger(); });
        auto *answer = new QTimer(w); // the block name, once its dialog is up
        connect(answer, &QTimer::timeout, [answer] {
            if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                dialog->setTextValue(QStringLiteral(" 新板块 "));
                dialog->accept();
                answer->stop();
            }
        });
        answer->start(20);
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QTRY_COMPARE(sidebar.count(), 1);
        QVERIFY(isStockOfBlock(QStringLiteral("新板块"), "600001.SH"));
        QCOMPARE(style("600001.SH"), QStringLiteral("color:red;"));
        deleteBlock(QStringLiteral("新板块"));
    }

    void copyTakesThePageShown()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_MKT_SH");
        ModalWatcher boxes;
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) { menu->actions().last()->trigger(); });
        m_table->setCurrentCell(0, 0);
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("股票名单已复制到剪贴板"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("600001.SH 浦发\n600002.SH <b>阿尔法</b>\n"));
    }

    void matrixShowsTheCachedLevel()
    {
        auto *w = open(&QWinMatrixList::showMatrixList, "MTX_ALL");
        QTableWidget *t = m_table;
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 3);
        QCOMPARE(t->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // The query sorts 000001.SZ by no level (its matrix row is of an old snapshot) and so
        // does the cache.
        QCOMPARE(rowOf(t, "002001.SZ"), 0);
        QCOMPARE(labelAt(t, rowOf(t, "000001.SZ"), 3)->text(), QStringLiteral("&nbsp;-"));
        QCOMPARE(labelAt(t, 0, 3)->text(), QStringLiteral("&nbsp;<img src=':/images/8.png'>&nbsp;A"));
        QCOMPARE(t->item(rowOf(t, "600001.SH"), 22)->text(), QStringLiteral("预增"));
        QSignalSpy charts(w, &QWinStockList::showChartOfStock);
        t->setCurrentCell(0, 0);
        emit t->doubleClicked(t->model()->index(0, 5));
        QCOMPARE(charts.value(0).value(0).toString(), QStringLiteral("002001.SZ"));
        w->showMatrixList(filledRequest("MTX_LVL_C"), 0);
        QCOMPARE(t->rowCount(), 1);
    }

    void quoteHasNoMenuAndNoTint()
    {
        auto *w = open(&QWinQuoteList::showQuoteList, "QUO_ALL");
        QTableWidget *t = m_table;
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 4);
        QCOMPARE(rowOf(t, "000001.SZ"), 0); // the biggest rise first
        QCOMPARE(t->item(0, 4)->background().style(), Qt::NoBrush);
        QCOMPARE(t->item(0, 3)->foreground().color(), QColor(Qt::red));
        QCOMPARE(t->item(rowOf(t, "002001.SZ"), 4)->foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(t->item(rowOf(t, "600002.SH"), 4)->foreground().style(), Qt::NoBrush);
        // A menu would run modally here and be read and closed before the emit returns.
        QStringList texts;
        onMenu(w, &texts);
        t->setCurrentCell(0, 0);
        emit t->customContextMenuRequested(QPoint(10, 10));
        QVERIFY(texts.isEmpty());
    }

    void hotRatingsReadAgainWhenShown()
    {
        QDlgHotRating dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("热门推荐"));
        dialog.show();
        QCOMPARE(tableOf(dialog)->rowCount(), 0);
        dialog.hide();
        for (int i = 0; i < 25; ++i)
            QVERIFY(insertRating(QStringLiteral("6009%1.SH").arg(i, 2, 10, QLatin1Char('0')), "A", 5, "2017-01-02"));
        QVERIFY(insertRating("600001.SH", "A", 5, "2017-01-02"));
        QVERIFY(insertRating("600001.SH", "B", 5, "2017-01-02"));
        dialog.show();
        QCOMPARE(tableOf(dialog)->rowCount(), 20);
        QCOMPARE(rows(dialog).first(), QStringLiteral("600001.SH 2"));
    }

    void hotRatingsOfThirtyDaysCountEachInstitutionOnce()
    {
        // Exactly 30 days before the newest entry's date counts, at any time of that day.
        QVERIFY(insertRating("600001.SH", "E", 4, "2016-12-07 15:00:00"));
        QVERIFY(insertRating("600001.SH", "A", 4, "2016-12-20"));
        QVERIFY(insertRating("600001.SH", "A", 5, "2017-01-01"));
        QVERIFY(insertRating("600001.SH", "B", 4, "2017-01-05"));
        QVERIFY(insertRating("600001.SH", "C", 3, "2017-01-05"));
        QVERIFY(insertRating("600002.SH", "A", 5, "2016-12-06 23:59:59"));
        QVERIFY(insertRating("600002.SH", "D", 4, "2017-01-06"));
        QVERIFY(insertRating("000001.SZ", "A", 3, "2017-01-06"));
        QDlgHotRating dialog;
        dialog.show();
        QCOMPARE(rows(dialog), QStringList({"600001.SH 3", "600002.SH 1"}));
        QTableWidget *table = tableOf(dialog);
        // The name is escaped: it shows as text.
        QVERIFY(labelAt(table, 1, 0)->text().startsWith(QStringLiteral("&lt;b&gt;阿尔法&lt;/b&gt;<br>")));
        // The name and a double click open the stock's ratings.
        QSignalSpy ratings(&dialog, &QDlgHotRating::showRatingListOfStock);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCoreApplication::processEvents(); // places the cell widgets
        QTest::mouseClick(table->cellWidget(1, 0), Qt::LeftButton);
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("600002.SH"));
        table->setCurrentCell(0, 1);
        emit table->doubleClicked(table->model()->index(0, 1));
        QCOMPARE(ratings.value(1).value(0).toString(), QStringLiteral("600001.SH"));
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
