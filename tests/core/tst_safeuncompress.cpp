#include "safeuncompress.h"

#include <QtTest>

class TestSafeUncompress : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void rejected_data();
    void rejected();
    void lyingLengthIsNotTrusted();
    void bombStopsAtTheCap();
};

static QByteArray patterned(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = char(x % 16 + 'a'); // compressible, but not trivially
    }
    return data;
}

void TestSafeUncompress::roundTrip_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("utf-8 json") << QStringLiteral("{\"data\":[{\"ttl\":\"长江证券研究报告\"}]}").toUtf8();
    QTest::newRow("several chunks") << patterned(1000 * 1000);
}

void TestSafeUncompress::roundTrip()
{
    QFETCH(QByteArray, plain);
    QByteArray out("stale");
    QVERIFY(safeUncompress(qCompress(plain), &out));
    QCOMPARE(out, plain);
    // A body exactly at the cap still passes.
    QVERIFY(safeUncompress(qCompress(plain), &out, plain.size()));
    QCOMPARE(out, plain);
}

void TestSafeUncompress::rejected_data()
{
    QTest::addColumn<QByteArray>("body");
    const QByteArray good = qCompress(patterned(200 * 1000));
    QTest::newRow("no bytes") << QByteArray();
    QTest::newRow("shorter than the length") << QByteArray("\0\0\1", 3);
    QTest::newRow("length without stream") << QByteArray("\0\0\0\5", 4);
    QTest::newRow("plain text") << QByteArray("this body was never compressed");
    QTest::newRow("cut in the middle") << good.left(good.size() / 2);
    QTest::newRow("checksum cut off") << good.left(good.size() - 1);
    QByteArray badHeader = good;
    badHeader[4] = 0x12;
    QTest::newRow("bad zlib header") << badHeader;
    QByteArray badChecksum = good;
    badChecksum[badChecksum.size() - 1] = char(badChecksum.at(badChecksum.size() - 1) ^ 0x55);
    QTest::newRow("bad checksum") << badChecksum;
    QByteArray garbled = good;
    for (int i = 100; i < 200; ++i)
        garbled[i] = char(i * 37);
    QTest::newRow("garbled stream") << garbled;
}

void TestSafeUncompress::rejected()
{
    QFETCH(QByteArray, body);
    QByteArray out("stale");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Compressed body rejected")));
    QVERIFY(!safeUncompress(body, &out));
    QVERIFY(out.isEmpty());
}

void TestSafeUncompress::lyingLengthIsNotTrusted()
{
    QByteArray body = qCompress(QByteArray("abc"));
    body[0] = body[1] = body[2] = body[3] = char(0xff);
    QByteArray out;
    QVERIFY(safeUncompress(body, &out));
    QCOMPARE(out, QByteArray("abc"));
    QVERIFY(out.capacity() < 1024 * 1024);
}

void TestSafeUncompress::bombStopsAtTheCap()
{
    const QByteArray plain(10 * 1024 * 1024, '\0');
    QByteArray body = qCompress(plain, 9);
    QVERIFY(body.size() < 64 * 1024);
    QByteArray out;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("past the size limit")));
    QVERIFY(!safeUncompress(body, &out, 1024 * 1024));
    QVERIFY(out.isEmpty());

    // The declared length plays no part: a small claim does not let the stream run on.
    body[0] = body[1] = body[2] = 0;
    body[3] = 1;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("past the size limit")));
    QVERIFY(!safeUncompress(body, &out, 1024 * 1024));

    QVERIFY(safeUncompress(qCompress(plain, 9), &out, plain.size()));
    QCOMPARE(out.size(), plain.size());
}

QTEST_GUILESS_MAIN(TestSafeUncompress)
#include "tst_safeuncompress.moc"
