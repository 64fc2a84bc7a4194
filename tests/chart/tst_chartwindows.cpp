#include "chartfixture.h"
#include "chartqueries.h"
#include "localzone.h"
#include "modalwatcher.h"
#include "testfiles.h"
#include "qchart.h"
#include "qdlgrating.h"
#include "qlinklabel.h"
#include "qwinchart.h"
#include "ratingcells.h"
#include "serviceapi.h"
#include "userliststore.h"
#include "userlists.h"

#include <QAction>
#include <QInputDialog>
#include <QMdiArea>
#include <QScreen>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

const QString kCode = QStringLiteral("600000.SH");
const QString kModify = QStringLiteral("2016-03-01 15:00:00");

} // namespace

// The chart window and the pop-up of one day's ratings.
class TestChartWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QMdiArea *m_area = nullptr;
    QWinChart *m_chart = nullptr;

private slots:
    void init()
    {
        m_dir = openChartDatabase();
        QVERIFY(m_dir);
        resetUserLists();
        m_area = new QMdiArea;
        m_chart = new QWinChart(m_area);
        m_area->addSubWindow(m_chart, Qt::FramelessWindowHint);
        m_area->resize(900, 600);
        m_area->show();
    }

    void cleanup()
    {
        delete m_area;
        closeMainDatabase();
        m_dir.reset();
    }

    void showChartTitlesAndDisablesPaging()
    {
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行,金融", 0, QString(), 0, 8}));
        QSignalSpy title(m_chart, &QWinChart::showTitle);
        QList<std::shared_ptr<QSignalSpy>> paging;
        for (auto signal : {&QWinChart::disablePageNext, &QWinChart::disablePageLast, &QWinChart::disableGoBack})
            paging << std::make_shared<QSignalSpy>(m_chart, signal);
        m_chart->showChart(kCode);
        QCOMPARE(title.count(), 1);
        QCOMPARE(title.at(0).at(0).toString(), QStringLiteral("浦发银行 [ 600000.SH ]"));
        for (const auto &spy : paging)
            QCOMPARE(spy->count(), 1);
        QVERIFY(m_chart->isMaximized());
        QVERIFY(m_chart->chartWidget()->isBandVisible()); // a level gives bands
        QCOMPARE(m_chart->getStockCode(), kCode);
    }

    void closeButtonOnlyShowsTheLastList()
    {
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行")}));
        m_chart->showChart(kCode);
        QSignalSpy last(m_chart, &QWinChart::showLastList);
        m_chart->findChild<QToolButton *>("btnChartClose")->click();
        QCOMPARE(last.count(), 1);
        QVERIFY(m_chart->isVisible() && m_chart->isMaximized());
    }

    void staleness_data()
    {
        QTest::addColumn<int>("cacheCount");
        QTest::addColumn<QString>("cacheTime");
        QTest::addColumn<int>("fileRows"); // -1: no file, -2: a file without its table
        QTest::addColumn<bool>("download");
        QTest::addColumn<int>("shown");
        QTest::newRow("no prices known") << 0 << kModify << 30 << false << 0;
        QTest::newRow("no file") << 30 << kModify << -1 << true << 0;
        QTest::newRow("current") << 30 << kModify << 30 << false << 30;
        QTest::newRow("cache a second later") << 30 << "2016-03-01 15:00:01" << 30 << true << 30;
        QTest::newRow("file newer") << 30 << "2016-03-01 14:59:59" << 30 << false << 30;
        QTest::newRow("fewer rows") << 31 << kModify << 30 << true << 30;
        QTest::newRow("more rows, same time") << 29 << kModify << 30 << false << 30;
        QTest::newRow("more rows, cache later") << 29 << "2016-03-01 15:00:01" << 30 << true << 30;
        QTest::newRow("file without table") << 30 << kModify << -2 << true << 0;
    }

    void staleness()
    {
        QFETCH(int, cacheCount);
        QFETCH(QString, cacheTime);
        QFETCH(int, fileRows);
        QFETCH(bool, download);
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行", cacheCount, cacheTime}));
        QVERIFY(insertRating({1, kCode, QStringLiteral("中信证券"), QStringLiteral("2016-02-01")}));
        if (fileRows >= 0)
            QVERIFY(writePriceFile(kCode, QDate(2016, 1, 1), fileRows, kModify));
        if (fileRows == -2)
            QVERIFY(writeFile(dayPriceFilePath(kCode), QByteArray()));
        QSignalSpy asked(m_chart, &QWinChart::downloadDay);
        m_chart->showChart(kCode);
        QCOMPARE(asked.count(), download ? 1 : 0);
        if (download)
            QCOMPARE(asked.at(0).at(0).toString(), kCode);
        QTEST(m_chart->chartWidget()->getPriceCount(), "shown");
        QCOMPARE(m_chart->chartWidget()->getRatingDayCount(), cacheCount >= 1 && fileRows != -1 ? 1 : 0);
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("PriceDB")));
    }

    // The modify times are the service's clock: in the hour a change to summer time skips in
    // the user's zone they compare as written, with each other and with the hour that follows.
    void stalenessInTheSkippedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("cacheTime");
        QTest::addColumn<QString>("fileTime");
        QTest::addColumn<bool>("download");
        const auto rows = [](const char *zone, const QString &day) {
            const auto row = [&](const char *name, const char *cache, const char *file, bool download) {
                QTest::addRow("%s, %s", zone, name) << QByteArray(zone) << day + cache << day + file << download;
            };
            row("cache in the hour, file before it", " 02:30:00", " 01:59:59", true);
            row("both the same in the hour", " 02:30:00", " 02:30:00", false);
            row("cache later in the hour", " 02:30:01", " 02:30:00", true);
            row("file later in the hour", " 02:30:00", " 02:59:59", false);
            row("cache in the hour after", " 03:10:00", " 02:30:00", true);
            row("file in the hour after", " 02:30:00", " 03:10:00", false);
        };
        rows("Europe/Berlin", "2017-03-26");
        rows("America/New_York", "2017-03-12");
        rows("UTC", "2017-03-26");
    }

    void stalenessInTheSkippedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, cacheTime);
        QFETCH(QString, fileTime);
        QFETCH(bool, download);
        const LocalZone local(zone);
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行", 30, cacheTime}));
        QVERIFY(writePriceFile(kCode, QDate(2016, 1, 1), 30, fileTime));
        QSignalSpy asked(m_chart, &QWinChart::downloadDay);
        m_chart->showChart(kCode);
        QCOMPARE(asked.count(), download ? 1 : 0);
        QCOMPARE(m_chart->chartWidget()->getPriceCount(), 30);
    }

    void yearProfits_data()
    {
        QTest::addColumn<int>("financeYears"); // ending with 2015
        QTest::addColumn<bool>("ratings");
        QTest::addColumn<bool>("estimates");
        QTest::addColumn<QString>("text");
        QTest::newRow("no finance rows") << 0 << true << true << QString();
        QTest::newRow("three years and the estimate") << 3 << true << true
                                                      << "2015[1500],2014[1400],2013[1300],2016[2000]";
        QTest::newRow("ratings without estimates") << 1 << true << false << "2015[1500],2016[]";
        QTest::newRow("newest five only, TTM fallback")
            << 6 << false << false << "2015[1500],2014[1400],2013[1300],2012[1200],2011[1100],2016[777]";
    }

    void yearProfits()
    {
        QFETCH(int, financeYears);
        QFETCH(bool, ratings);
        QFETCH(bool, estimates);
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行", 0, QString(), 777}));
        for (int i = 0; i < financeYears; ++i)
            QVERIFY(execSql("insert into T_Finance (Stk_Code, Fin_Date, Prf_5010) values (?, ?, ?)",
                            {kCode, QString::number(2015 - i) + "-12-31", 1500 - 100 * i}));
        QVERIFY(insertReport({100, "2016-03-01 09:00:00", "", "中信证券", "21", "t", "", kCode, ""}));
        // Two new ratings above hold with estimates of 1800 and 2200; one at hold and one too old
        // do not count.
        const QList<FixtureRating> rated{{1, kCode, "甲", "2016-02-01", "买入", 5}, {2, kCode, "乙", "2016-02-02", "增持", 4},
                                         {3, kCode, "丙", "2016-02-03", "中性", 3}, {4, kCode, "丁", "2014-02-03", "买入", 5}};
        const QList<int> estimated{1800, 2200, 9000, 9000};
        for (int i = 0; ratings && i < rated.size(); ++i) {
            QVERIFY(insertRating(rated.at(i)));
            QVERIFY(!estimates || execSql("insert into T_Estimate (Rpt_ID, Est_Period, Stk_Code, Est_NetProfit) "
                                          "values (?, '2016Q4', ?, ?)", {rated.at(i).reportId, kCode, estimated.at(i)}));
        }
        QTEST(readYearProfitText(kCode, 180), "text");
    }

    void blockEntryCarriesItsNameAsData()
    {
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行")}));
        QVERIFY(addBlockStock(QStringLiteral("科技"), QString(), false));
        m_chart->showChart(kCode);
        QSignalSpy sidebar(m_chart, &QWinChart::loadBlockListOfSidebar);
        bool triggered = false;
        QTimer::singleShot(50, [this, &triggered] {
            for (QAction *entry : m_chart->findChildren<QAction *>()) {
                if (entry->data().toString() == QStringLiteral("科技")) {
                    entry->setText(QStringLiteral("&科技")); // as a theme might
                    entry->trigger();
                    triggered = true;
                }
            }
            QApplication::activePopupWidget()->close();
        });
        QMetaObject::invokeMethod(m_chart, "popMenuOfChart", Q_ARG(QPoint, QPoint(10, 10)));
        QVERIFY(triggered);
        QVERIFY(isStockOfBlock(QStringLiteral("科技"), kCode));
        QCOMPARE(getBlockNameList(), QStringList{QStringLiteral("科技")}); // no stray "&科技"
        QCOMPARE(sidebar.count(), 0);
    }

    void newBlockTakesTheStock()
    {
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行")}));
        m_chart->showChart(kCode);
        QSignalSpy sidebar(m_chart, &QWinChart::loadBlockListOfSidebar);
        ModalWatcher boxes;
        // Cancelled first, then a blank name refused, then answered.
        for (const QString &answer : {QString(), QStringLiteral("   "), QStringLiteral("  新能源 ")}) {
            QTimer::singleShot(50, [answer] {
                if (auto *input = qobject_cast<QInputDialog *>(QApplication::activeModalWidget()))
                    answer.isNull() ? input->reject() : (input->setTextValue(answer), input->accept());
            });
            QMetaObject::invokeMethod(m_chart, "newBlock");
            QCOMPARE(sidebar.count(), answer.trimmed().isEmpty() ? 0 : 1);
        }
        QCOMPARE(boxes.count() == 1 ? boxes.last().text : QString(), QStringLiteral("请填写板块名!"));
        QCOMPARE(getBlockNameList(), QStringList{"新能源"});
        QVERIFY(isStockOfBlock(QStringLiteral("新能源"), kCode));
    }

    void targetPrices()
    {
        QCOMPARE(targetPriceText(12.3, 12.3, 1.0), QStringLiteral("12.30"));
        QCOMPARE(targetPriceText(0.0, 12.0, 1.0), QStringLiteral("0.00 ~ 12.00"));
        QCOMPARE(targetPriceText(12.3, 12.3, 1.0001), QStringLiteral("12.30(*)")); // the basis changed
    }

    void ratingPopupListsOpensAndHides()
    {
        const QString day = QStringLiteral("2016-02-01");
        setFileFormat(QStringLiteral("INS-TTL-PUB"));
        // The stock's factor doubled since the ratings were made: target prices halve.
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 2}));
        QVERIFY(insertReport({11, "2016-02-01 09:00:00", "", "甲证券", "21", "银行深度", "", kCode, "", 0, 1, ""}));
        QVERIFY(insertReport({12, "2016-02-01 09:00:00", "", "乙证券", "21", "点评", "", kCode, "", 0, 1, "DOC"}));
        // 13's report is missing; 14 is of another day, 15 of another stock.
        for (const FixtureRating &r : QList<FixtureRating>{{11, kCode, "甲证券", day, "买入", 5, "U", 1, 24.6, 24.6},
                                                           {12, kCode, "乙证券", day, "中性", 3, "I", 1, 0, 0},
                                                           {13, kCode, "丙证券", day, "减持", 2, "D", 1, 20, 30},
                                                           {14, kCode, "丁证券", "2016-02-02"},
                                                           {15, "600001.SH", "戊证券", day}})
            QVERIFY(insertRating(r));
        QVERIFY(addToConcernedInstList(QStringLiteral("乙证券")));

        QDlgRating popup;
        QSignalSpy open(&popup, &QDlgRating::openFile);
        popup.showRating(kCode, day);
        QCOMPARE(popup.windowTitle(), QStringLiteral("浦发银行[600000.SH] - 2016-02-01"));
        QTableWidget *t = popup.ratingTable();
        QStringList rows;
        for (int r = 0; r < t->rowCount(); ++r) {
            auto *label = qobject_cast<QLinkLabel *>(t->cellWidget(r, 1));
            rows << t->item(r, 0)->text() + '|' + label->text() + '|' + label->styleSheet() + '|' + t->item(r, 2)->text();
        }
        QCOMPARE(rows, QStringList({"甲证券|买入(↑)||12.30(*)", "乙证券|中性(*)|color:orange;|",
                                    "丙证券|减持(↓)|color:green;|10.00 ~ 15.00(*)"}));
        QCOMPARE(t->item(1, 0)->foreground().color(), QColor(Qt::blue)); // a followed institution
        QVERIFY(t->item(0, 0)->foreground().color() != QColor(Qt::blue));

        // A report without a type is a PDF; a rating without its report offers no click.
        for (int row : {1, 0, 2}) {
            t->setCurrentCell(row, 0);
            popup.viewReport();
        }
        QCOMPARE(open.count(), 2);
        QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("12"));
        QCOMPARE(open.at(0).at(1).toString(), getLocalFilePath(QStringLiteral("乙证券-点评-20160201.doc")));
        QCOMPARE(open.at(1).at(1).toString(), getLocalFilePath(QStringLiteral("甲证券-银行深度-20160201.pdf")));

        // Leaving hides it, unless a report was opened since it was shown.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&popup, &leave);
        QVERIFY(popup.isVisible());
        QVERIFY(execSql("delete from T_Rating"));
        popup.showRating(kCode, day);
        QApplication::sendEvent(&popup, &leave);
        QVERIFY(!popup.isVisible());
        popup.showRating(kCode, day); // the same pair is shown again, not reloaded
        QVERIFY(popup.isVisible());
        QCOMPARE(t->rowCount(), 3);
        popup.showRating(kCode, QStringLiteral("2016-02-03"));
        QCOMPARE(t->rowCount(), 0);
    }

    // As a user met it: the chart fills the screen, as in the frameless main window, and the
    // pointer rests on the newest rating mark, by the right edge. The pop-up's first showing,
    // framed by the platform as it shows, lies within the available area, and so after it is
    // exposed.
    void ratingPopupFirstShowingOnTheScreen()
    {
        // The newest close (10 + day % 3) is at the foot of the range, so the mark is on the chart.
        const QDate first(2015, 10, 1), newest = first.addDays(147);
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行"), 1, 100, "银行", 148, kModify}));
        QVERIFY(writePriceFile(kCode, first, 148, kModify));
        for (const QDate &day : {first.addDays(60), newest})
            QVERIFY(insertRating({day.toJulianDay(), kCode, "甲证券", day.toString(Qt::ISODate)}));
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        m_area->setWindowFlag(Qt::FramelessWindowHint);
        m_area->setGeometry(available);
        m_area->show();
        m_chart->showChart(kCode);
        QChart *chart = m_chart->chartWidget();
        QVERIFY(QTest::qWaitForWindowExposed(m_area));
        QTRY_VERIFY(chart->width() > available.width() * 3 / 4 && chart->currentLayout().marks.size() == 2);
        const ChartLayout &layout = chart->currentLayout();
        const ChartLayout::Mark &mark = layout.marks.first().date == newest ? layout.marks.first() : layout.marks.last();
        QCOMPARE(mark.date, newest);
        const QPoint onMark(ChartLayout::kOriginX + qRound(mark.x * layout.scale),
                            ChartLayout::kOriginY + qRound(mark.apex * layout.scale) + 2);

        QDlgRating popup;
        QRect shown; // the frame as the pop-up shows, before anything mends it
        connect(m_chart, &QWinChart::showRatingOfDate, &popup, &QDlgRating::showRating);
        connect(m_chart, &QWinChart::showRatingOfDate, &popup, [&] {
            if (shown.isNull())
                shown = popup.frameGeometry();
        });
        QCursor::setPos(chart->mapToGlobal(onMark));
        QTRY_VERIFY(popup.isVisible());
        QVERIFY2(shown.width() > popup.width(), "the platform frames the pop-up as it shows");
        QVERIFY2(available.contains(shown), qPrintable(QStringLiteral("frame at x %1-%2, y %3-%4")
                                                          .arg(shown.left()).arg(shown.right())
                                                          .arg(shown.top()).arg(shown.bottom())));
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QVERIFY(available.contains(popup.frameGeometry()));
    }

    // As the user meets it: the pointer over the rating of a row with its report turns into a
    // hand and a click opens the report; a row whose report is missing offers neither.
    void ratingPopupRowWithoutReportIsNoLink()
    {
        const QString day = QStringLiteral("2016-02-01");
        QVERIFY(insertStock({kCode, QStringLiteral("浦发银行")}));
        QVERIFY(insertReport({11, "2016-02-01 09:00:00", "", "甲证券", "21", "银行深度", "", kCode, "", 0, 1, ""}));
        QVERIFY(insertRating({11, kCode, "甲证券", day, "买入", 5}));
        QVERIFY(insertRating({13, kCode, "丙证券", day, "减持", 2}));

        // Offscreen, the pointer's moves go to the first window made that holds the point: the
        // chart's area keeps to one corner and the pop-up opens at the pointer in the other.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        m_area->setGeometry(QRect(available.topLeft(), QSize(300, 200)));
        QCursor::setPos(available.bottomRight() - QPoint(3, 3));
        QDlgRating popup;
        QSignalSpy open(&popup, &QDlgRating::openFile);
        popup.showRating(kCode, day);
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        QVERIFY(!popup.frameGeometry().intersects(m_area->frameGeometry()));
        QTableWidget *t = popup.ratingTable();
        QCOMPARE(t->rowCount(), 2);
        QStringList seen;
        for (int row = 0; row < 2; ++row) {
            QWidget *label = t->cellWidget(row, 1);
            QTest::mouseMove(label, label->rect().center());
            QTRY_VERIFY(label->underMouse());
            const bool hand = label->cursor().shape() == Qt::PointingHandCursor;
            QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, label->rect().center());
            seen << t->item(row, 0)->text() + (hand ? "|hand|" : "|arrow|") + QString::number(open.count());
            QTest::mouseMove(t->viewport(), QPoint(2, t->viewport()->height() - 2));
        }
        QCOMPARE(seen, QStringList({"甲证券|hand|1", "丙证券|arrow|1"}));
        QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("11"));
    }
};

QTEST_MAIN(TestChartWindows)
#include "tst_chartwindows.moc"
