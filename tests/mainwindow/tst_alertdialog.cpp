#include "mainwindowtest.h"

#include "alertreport.h"
#include "dialogplacement.h"
#include "localzone.h"
#include "paintedpixels.h"
#include "qdlgalert.h"
#include "qlinklabel.h"
#include "serviceapi.h"
#include "startup.h"
#include "stockcache.h"
#include "userlists.h"

#include <QSignalSpy>
#include <QTableWidget>

class TestAlertDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<QDlgAlert> dialog;

    static bool insert(qint64 id, const QString &title, const QString &inst = QStringLiteral("甲证券"),
                       int pages = 12, const QString &type = QStringLiteral("PDF"))
    {
        FixtureReport r{id, QStringLiteral("2026-12-07 09:41:05"), QStringLiteral("2026-12-06"), inst,
                        QStringLiteral("021"), title, QString(), QString(), QString()};
        r.pages = pages;
        r.type = type;
        return insertReport(r);
    }

    void alert(const QString &id) { dialog->addAlert(QStringLiteral("RAT_ACT_INI"), id); }
    QTableWidget *table() const { return dialog->alertList(); }
    QLinkLabel *titleLabel(int row) const { return qobject_cast<QLinkLabel *>(table()->cellWidget(row, 2)); }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('600519.SH', '贵州茅台', 0)"));
        loadStockCache();
        QVERIFY(addBlockStock(QStringLiteral("白酒"), QStringLiteral("600519.SH"), false));
        QVERIFY(addToConcernedInstList(QStringLiteral("乙证券")));
        // The program's font and style sheet: the time is painted whole in its font, a larger
        // one elides it.
        installAppFont(QString());
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
    }

    void init()
    {
        QVERIFY(execSql("delete from T_Report"));
        dialog = std::make_unique<QDlgAlert>();
    }

    // A row as "time|institution|pages|file", then "+blue" for a followed institution and "+red"
    // for a title that names a stock of the user's blocks; the title is plain text.
    void rows_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("inst");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("row");
        QTest::newRow("plain") << "银行业周报" << "甲证券" << 12 << "PDF" << "09:41|甲证券|12页|pdf";
        QTest::newRow("markup-like title stays text") << "PE<10倍<b>低估</b>" << "甲证券" << 0 << "" << "09:41|甲证券|-|pdf";
        QTest::newRow("followed institution") << "周报" << "乙证券" << -3 << "DOC" << "09:41|乙证券|-|doc+blue";
        QTest::newRow("title names a block stock") << "贵州茅台点评" << "甲证券" << 5 << "PDF" << "09:41|甲证券|5页|pdf+red";
    }

    void rows()
    {
        QFETCH(QString, title);
        QFETCH(QString, inst);
        QFETCH(int, pages);
        QFETCH(QString, type);
        QFETCH(QString, row);
        QVERIFY(insert(501, title, inst, pages, type));
        alert(QStringLiteral("501"));
        QCOMPARE(table()->rowCount(), 1);
        const QString file = table()->item(0, 0)->data(Qt::UserRole + 1).toString();
        QCOMPARE(file, makeReportFileName(inst, title, QStringLiteral("20261206"), QFileInfo(file).suffix()));
        QCOMPARE(table()->item(0, 0)->text() + '|' + table()->item(0, 1)->text() + '|' + table()->item(0, 3)->text() + '|'
                     + QFileInfo(file).suffix() + (table()->item(0, 1)->foreground().color() == Qt::blue ? "+blue" : "")
                     + (titleLabel(0)->styleSheet() == "color:red;" ? "+red" : titleLabel(0)->styleSheet()),
                 row);
        QCOMPARE(titleLabel(0)->text() + table()->item(0, 2)->text(), title);
        QCOMPARE(titleLabel(0)->textFormat(), Qt::PlainText);
        QCOMPARE(table()->item(0, 0)->data(Qt::UserRole).toString(), QStringLiteral("501"));
    }

    // The entry time is the service's clock: it shows as stored in a zone with summer time, in
    // the hour that zone skips too; the file keeps the publication day.
    void timeAsStoredInEveryZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("publish");
        QTest::addColumn<QString>("shown"); // time|file date
        QTest::newRow("Berlin, skipped hour") << QByteArray("Europe/Berlin") << "2017-03-26 02:30:00" << "2017-03-26"
                                              << "02:30|20170326";
        QTest::newRow("New York, skipped hour") << QByteArray("America/New_York") << "2017-03-12 02:05:09"
                                                << "2017-03-11" << "02:05|20170311";
        QTest::newRow("Sao Paulo, skipped midnight") << QByteArray("America/Sao_Paulo") << "2018-11-04 00:45:00"
                                                     << "2018-11-04" << "00:45|20181104";
        QTest::newRow("Berlin, the hour that comes twice") << QByteArray("Europe/Berlin") << "2017-10-29 02:30:00"
                                                           << "2017-10-29" << "02:30|20171029";
        QTest::newRow("UTC") << QByteArray("UTC") << "2017-03-26 02:30:00" << "2017-03-26" << "02:30|20170326";
    }

    void timeAsStoredInEveryZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, entry);
        QFETCH(QString, publish);
        const LocalZone local(zone);
        QVERIFY(insertReport({551, entry, publish, QStringLiteral("甲证券"), QStringLiteral("021"), QStringLiteral("夜间"),
                              QString(), QString(), QString()}));
        alert(QStringLiteral("551"));
        QCOMPARE(table()->rowCount(), 1);
        const QString file = table()->item(0, 0)->data(Qt::UserRole + 1).toString();
        QTEST(table()->item(0, 0)->text() + '|' + file.section('-', -1).section('.', 0, 0), "shown");
        QFETCH(QString, shown);
        QString why;
        QVERIFY2(paintsCellText(table(), 0, 0, shown.section('|', 0, 0), &why),
                 qPrintable("the time is not painted as it reads: " + why));
    }

    // Newest first, both kinds alike, duplicates kept; shown bottom-right, raised but not moved again.
    void newestOnTopInTheCorner()
    {
        QVERIFY(insert(601, QStringLiteral("一")) && insert(602, QStringLiteral("二")));
        alert(QStringLiteral("601"));
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(dialog->frameGeometry().topLeft(), placedPosition(availableAreaOf(dialog.get()), dialog->frameGeometry().size(),
                                                                   Qt::AlignRight | Qt::AlignBottom));
        dialog->move(10, 10);
        dialog->addAlert(QStringLiteral("RAT_ACT_UPG"), QStringLiteral("602"));
        dialog->addAlert(QStringLiteral("RAT_ACT_UPG"), QStringLiteral("601"));
        QCOMPARE(table()->rowCount(), 3);
        QCOMPARE(titleLabel(0)->text() + titleLabel(1)->text() + titleLabel(2)->text(), QStringLiteral("一二一"));
        QCOMPARE(dialog->pos(), QPoint(10, 10));
    }

    // Closing empties the list; Escape only hides it, and the rows are there at the next alert.
    void closeClearsEscapeKeeps()
    {
        QVERIFY(insert(701, QStringLiteral("一")));
        alert(QStringLiteral("701"));
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        alert(QStringLiteral("701"));
        QCOMPARE(table()->rowCount(), 2);
        QVERIFY(dialog->close());
        QCOMPARE(table()->rowCount(), 0);
        alert(QStringLiteral("701"));
        QCOMPARE(table()->rowCount(), 1);
        QVERIFY(dialog->isVisible());
    }

    // A rating may come before its report: the alert waits and shows once the report is in.
    void waitsForItsReport()
    {
        alert(QStringLiteral("801"));
        dialog->addAlert(QStringLiteral("RAT_ACT_UPG"), QStringLiteral("802"));
        dialog->retryPendingAlerts();
        QCOMPARE(table()->rowCount(), 0);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->pendingAlertCount(), 2);
        QVERIFY(insert(802, QStringLiteral("二")));
        dialog->retryPendingAlerts();
        QCOMPARE(table()->rowCount(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->pendingAlertCount(), 1);
        QVERIFY(insert(801, QStringLiteral("一")));
        dialog->retryPendingAlerts();
        QCOMPARE(titleLabel(0)->text(), QStringLiteral("一"));
        QCOMPARE(dialog->pendingAlertCount(), 0);
    }

    // The id is a value, never SQL.
    void idIsBound()
    {
        QVERIFY(insert(901, QStringLiteral("一")));
        AlertReport report;
        for (const QString &id : {QStringLiteral("0 or 1=1"), QStringLiteral("901'"), QString()})
            QVERIFY2(!findAlertReport(mainDatabase(), id, &report), qPrintable(id));
        QVERIFY(findAlertReport(mainDatabase(), QStringLiteral("901"), &report));
        QCOMPARE(report.title, QStringLiteral("一"));
    }

    // A click on a title selects its row first, then opens it.
    void viewReport()
    {
        QSignalSpy spy(dialog.get(), &QDlgAlert::openFile);
        dialog->viewReport();
        QCOMPARE(spy.count(), 0);
        QVERIFY(insert(111, QStringLiteral("一")) && insert(112, QStringLiteral("二")));
        alert(QStringLiteral("111"));
        alert(QStringLiteral("112"));
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QTest::mouseClick(titleLabel(1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("111"));
        QCOMPARE(spy.at(0).at(1).toString(),
                 getLocalFilePath(makeReportFileName(QStringLiteral("甲证券"), QStringLiteral("一"),
                                                     QStringLiteral("20261206"), QStringLiteral("PDF"))));
    }

    void pendingAlertsKeptForTheDayAndCapped()
    {
        PendingAlerts pending;
        const QDate day(2026, 12, 7);
        for (int i = 0; i < PendingAlerts::kLimit + 5; ++i)
            pending.add(QString::number(i), day);
        QStringList seen;
        pending.resolve(day, [&seen](const QString &id) {
            seen << id;
            return id.toInt() % 2 == 0;
        });
        QCOMPARE(seen.first(), QStringLiteral("5"));
        QCOMPARE(seen.size(), PendingAlerts::kLimit);
        QCOMPARE(pending.size(), PendingAlerts::kLimit / 2);
        // A new day drops what is left without trying it, and takes no alert of another day.
        seen.clear();
        pending.resolve(day.addDays(1), [&seen](const QString &id) {
            seen << id;
            return false;
        });
        QVERIFY(seen.isEmpty());
        QCOMPARE(pending.size(), 0);
        pending.add(QStringLiteral("1"), day);
        pending.add(QStringLiteral("2"), day.addDays(1));
        QCOMPARE(pending.size(), 1);
    }
};

QTEST_MAIN(TestAlertDialog)
#include "tst_alertdialog.moc"
