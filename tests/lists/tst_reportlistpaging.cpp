#include "reportfixture.h"

#include "reportlistquery.h"
#include "reportlistrequest.h"

#include <QSignalSpy>
#include <QSqlDatabase>

// A report list window paged as the user pages it (Next, Previous, First, back to a page seen
// before, a page past the end, a page after a sync) shows on every page the rows of the plain
// query that skips page x page size rows: the window goes on after pages it has shown.

namespace {

constexpr int kPageSize = 7;
constexpr int kReports = 301; // 43 full pages of the newest reports: page 43 is empty

// Three reports at each entry time, ids out of entry order, so that ties decide page edges.
QList<FixtureReport> generatedReports()
{
    QList<FixtureReport> list;
    const QDateTime first(QDate(2016, 12, 1), QTime(8, 0));
    for (int i = 0; i < kReports; ++i) {
        const QString entry = first.addSecs(qint64(i / 3) * 420).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const qint64 id = 1000 + (qint64(i) * 37) % kReports;
        const QString title = i % 5 == 0 ? QStringLiteral("沪港通周报") : i % 7 == 3 ? QStringLiteral("深港通点评")
                                                                                      : QStringLiteral("点评");
        const QString code = i % 4 == 0 ? QStringLiteral("MCR@CN") : QStringLiteral("STK.COM@CN");
        const QString stock = i % 3 == 1 ? QStringLiteral("600000.SH") : QStringLiteral("000001.SZ");
        list.append({id, entry, "", i % 11 == 0 ? "国泰君安" : "中信证券", code, title, "", stock, "银行"});
    }
    return list;
}

// The ids of a page as the plain query selects them: every earlier row skipped.
QStringList plainPage(const QString &request, int page)
{
    JsonScript json;
    const ReportListQuery statement(ReportListRequest::parse(request, json), page, json);
    const QString ids = selectedIds(statement);
    return ids.isEmpty() ? QStringList() : ids.split(QLatin1Char(','));
}

} // namespace

class TestReportListPaging : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    static QStringList shownIds(QWinReportList &window)
    {
        auto *table = window.findChild<QTableWidget *>();
        QStringList ids;
        for (int r = 0; r < table->rowCount(); ++r)
            ids << table->item(r, 0)->data(Qt::UserRole).toString();
        return ids;
    }

    // Shows page of request in window and compares its rows with the plain query's.
    static bool showsPlainPage(QWinReportList &window, const QString &request, int page)
    {
        window.showReportList(request, page);
        const QStringList shown = shownIds(window), plain = plainPage(request, page);
        if (shown == plain)
            return true;
        qWarning().noquote() << "page" << page << "shows" << shown.join(',') << "instead of" << plain.join(',');
        return false;
    }

    // Inserts a report through a connection of its own, as the update engine does.
    static bool insertElsewhere(const FixtureReport &r)
    {
        bool ok = false;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("engine"));
            other.setDatabaseName(mainDatabase().databaseName());
            QSqlQuery q(other);
            ok = other.open() && q.prepare(QStringLiteral("insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Title, Ins_Name, "
                                                          "Stk_Code, Rpt_DtEntry, Rpt_DtPublish) values (?, ?, ?, ?, ?, ?, ?)"));
            for (const QVariant &v : QVariantList{r.id, r.code, r.title, r.inst, r.stock, r.entry, r.entry.left(10)})
                q.addBindValue(v);
            ok = ok && q.exec();
            if (!ok)
                qWarning() << q.lastError().text();
            q.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("engine"));
        return ok;
    }

private slots:
    void initTestCase()
    {
        m_dir = openFixtureDatabase(generatedReports());
        QVERIFY(m_dir);
    }

    void init()
    {
        clearUserLists();
        setPageSize(kPageSize);
    }

    void pagesAsThePlainQuery_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("setup");
        QTest::newRow("newest, 43 full pages") << filledRequest("RPT_NEW") << "";
        QTest::newRow("title words") << filledRequest("RPT_COD_SHHKC") << "";
        QTest::newRow("code by LIKE") << filledRequest("RPT_COD_MACRO") << "";
        QTest::newRow("stock, masked institution") << filledRequest("RPT_STK", {{"stkCode", "600000.SH"}})
                                                   << "masked=国泰君安";
        QTest::newRow("industry") << filledRequest("RPT_IND", {{"ind", "银行"}}) << "company=1";
    }

    // Next to the end and past it, Previous back to the first page, then pages met again
    // through the history in any order, and pages far past the end.
    void pagesAsThePlainQuery()
    {
        QFETCH(QString, request);
        QFETCH(QString, setup);
        applySetup(setup);
        QWinReportList window;
        QSignalSpy nextOff(&window, &QWinReportList::disablePageNext);

        int page = 0;
        QVERIFY(showsPlainPage(window, request, page));
        while (nextOff.isEmpty()) {
            QVERIFY2(page < 100, "Next is never switched off");
            QVERIFY(showsPlainPage(window, request, ++page));
        }
        const int last = page;
        QVERIFY(last > 3);
        QVERIFY(showsPlainPage(window, request, last + 1));
        QVERIFY(shownIds(window).isEmpty());
        for (page = last; page >= 0; --page)
            QVERIFY(showsPlainPage(window, request, page));
        for (int p : {last / 2, 2, last, 1, last - 1, last + 5, 1000, 0, 3})
            QVERIFY(showsPlainPage(window, request, p));
    }

    // Among reports of one entry time the higher id comes first, as the entry index gives
    // them to the query that orders by entry time alone.
    void tiesInTheOrderOfTheIndex()
    {
        JsonScript json;
        for (const QString &request : {filledRequest("RPT_NEW"), filledRequest("RPT_COD_SHHKC")}) {
            for (int page : {0, 4, 9}) {
                const ReportListQuery statement(ReportListRequest::parse(request, json), page, json);
                QString byEntry = statement.statement();
                QVERIFY(byEntry.contains(QLatin1String("order by Rpt_DtEntry desc, Rpt_ID desc")));
                byEntry.replace(QLatin1String("order by Rpt_DtEntry desc, Rpt_ID desc"),
                                QLatin1String("order by Rpt_DtEntry desc"));
                QSqlQuery query(mainDatabase());
                QVERIFY(query.prepare(byEntry));
                for (const QVariant &v : statement.values())
                    query.addBindValue(v);
                QVERIFY(query.exec());
                QStringList ids;
                while (query.next())
                    ids << query.value(0).toString();
                QCOMPARE(ids, plainPage(request, page));
            }
        }
    }

    // A list paged to its end, then a request of another kind and back: each keeps its pages.
    void listsKeepTheirPages()
    {
        QWinReportList window;
        const QString newest = filledRequest("RPT_NEW"), titles = filledRequest("RPT_COD_SHHKC");
        for (int p = 0; p < 12; ++p) {
            QVERIFY(showsPlainPage(window, newest, p));
            QVERIFY(showsPlainPage(window, titles, p / 2));
        }
        for (int p : {11, 5, 10, 9})
            QVERIFY(showsPlainPage(window, newest, p));
    }

    // The page size changed between two pages: the rows of the new size's pages.
    void pageSizeChanged()
    {
        QWinReportList window;
        const QString newest = filledRequest("RPT_NEW");
        for (int p = 0; p < 6; ++p)
            QVERIFY(showsPlainPage(window, newest, p));
        setPageSize(kPageSize + 3);
        QVERIFY(showsPlainPage(window, newest, 6));
        QVERIFY(showsPlainPage(window, newest, 5));
    }

    // A sync adds newer reports while the user pages: the next page holds the rows that the
    // plain query skips to now, not those after the row shown last.
    void pagesAfterASync()
    {
        QWinReportList window;
        const QString titles = filledRequest("RPT_COD_SHHKC");
        for (int p = 0; p < 6; ++p)
            QVERIFY(showsPlainPage(window, titles, p));
        const QStringList before = plainPage(titles, 6);
        QVERIFY(insertElsewhere({5001, "2017-01-05 09:00:00", "", "中信证券", "MCR@CN", "沪港通新报告", "", "", ""}));
        QVERIFY(insertElsewhere({5002, "2017-01-05 10:00:00", "", "中信证券", "MCR@CN", "深港通新报告", "", "", ""}));
        QVERIFY(plainPage(titles, 6) != before);
        QVERIFY(showsPlainPage(window, titles, 6));
        QVERIFY(showsPlainPage(window, titles, 7));
        QVERIFY(showsPlainPage(window, titles, 4));
        QVERIFY(execSql("delete from T_Report where Rpt_ID > 5000"));
    }
};

QTEST_MAIN(TestReportListPaging)
#include "tst_reportlistpaging.moc"
