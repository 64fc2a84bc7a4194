#include "localzone.h"
#include "reportlistrow.h"

#include <QtTest>

class TestReportListRow : public QObject
{
    Q_OBJECT

private slots:
    // The stored forms of an entry or publication time, and what is made of other texts.
    void storedDateTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("read"); // invalid: none
        const QDate day(2017, 1, 5);
        QTest::newRow("date-time") << "2017-01-05 09:30:07" << QDateTime(day, QTime(9, 30, 7));
        QTest::newRow("blanks and fractions around it") << " 2017-01-05 23:59:58.250 " << QDateTime(day, QTime(23, 59, 58));
        QTest::newRow("date") << "2017-01-05" << QDateTime(day, QTime(0, 0));
        QTest::newRow("leap day") << "2016-02-29 10:00:00" << QDateTime(QDate(2016, 2, 29), QTime(10, 0));
        QTest::newRow("hour 24: the date alone") << "2017-01-05 24:00:00" << QDateTime(day, QTime(0, 0));
        QTest::newRow("ISO separator: the date alone") << "2017-01-05T09:30:07" << QDateTime(day, QTime(0, 0));
        QTest::newRow("no such day") << "2017-02-29 10:00:00" << QDateTime();
        QTest::newRow("no such month") << "2017-13-05" << QDateTime();
        QTest::newRow("slashes") << "2017/01/05 09:30:07" << QDateTime();
        QTest::newRow("full-width digits") << QStringLiteral("２０１７-01-05 09:30:07") << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }

    void storedDateTimes()
    {
        QFETCH(QString, text);
        QTEST(parseReportDateTime(text), "read");
    }

    // The stored texts are the service's wall clock: in the user's zone they show as written, in
    // the hour a change to summer time skips too, and still fall between the zone's local times
    // around them (as "now" is one).
    void wallClockInEveryZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, const char *zone, const char *text, const char *shown, const char *day) {
            QTest::newRow(name) << QByteArray(zone) << text << shown << QStringLiteral("%1 01:59:59").arg(day)
                                << QStringLiteral("%1 04:00:00").arg(day);
        };
        row("UTC", "UTC", "2017-03-26 02:30:00", "2017-03-26 02:30:00", "2017-03-26");
        row("Berlin, skipped", "Europe/Berlin", "2017-03-26 02:30:00", "2017-03-26 02:30:00", "2017-03-26");
        row("Berlin, skipped, blanks and fractions", "Europe/Berlin", " 2017-03-26 02:00:00.250 ",
            "2017-03-26 02:00:00", "2017-03-26");
        row("Berlin, after the change", "Europe/Berlin", "2017-03-26 03:30:00", "2017-03-26 03:30:00", "2017-03-26");
        row("Berlin, the hour that comes twice", "Europe/Berlin", "2017-10-29 02:30:00", "2017-10-29 02:30:00",
            "2017-10-29");
        row("New York, skipped", "America/New_York", "2017-03-12 02:30:00", "2017-03-12 02:30:00", "2017-03-12");
        row("New York, last skipped second", "America/New_York", "2017-03-12 02:59:59", "2017-03-12 02:59:59",
            "2017-03-12");
        // Where the change comes at midnight a date alone falls in the skipped hour.
        QTest::newRow("Sao Paulo, a date whose midnight is skipped")
            << QByteArray("America/Sao_Paulo") << "2018-11-04" << "2018-11-04 00:00:00" << "2018-11-03 23:59:59"
            << "2018-11-04 04:00:00";
    }

    void wallClockInEveryZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, text);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const LocalZone local(zone);
        const QDateTime read = parseReportDateTime(text);
        QTEST(read.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), "shown");
        QVERIFY(read.isValid());
        const auto localTime = [](const QString &text) {
            return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        };
        QVERIFY2(localTime(before) < read, qPrintable(before));
        QVERIFY2(read < localTime(after), qPrintable(after));
    }
};

QTEST_MAIN(TestReportListRow)
#include "tst_reportlistrow.moc"
