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
};

QTEST_MAIN(TestReportListRow)
#include "tst_reportlistrow.moc"
