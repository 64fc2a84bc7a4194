#include "qsingleapplication.h"

#include <QSharedMemory>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>

// One process holds one application object, so this test builds it once, after leaving
// behind a segment as an instance that was killed would; the messages then come from a
// second shared-memory object on the same key, as a second process would write them.
namespace {

const QString testKey = QStringLiteral("TamrelTestGuard");

QByteArray segmentBytes(QSharedMemory &memory)
{
    memory.lock();
    const QByteArray bytes(static_cast<const char *>(memory.constData()), memory.size());
    memory.unlock();
    return bytes;
}

void writeSegment(QSharedMemory &memory, const QByteArray &bytes)
{
    memory.lock();
    std::memcpy(memory.data(), bytes.constData(), size_t(qMin(bytes.size(), memory.size())));
    memory.unlock();
}

} // namespace

class TestSingleApplication : public QObject
{
    Q_OBJECT

public:
    explicit TestSingleApplication(QSingleApplication &app) : app(app) {}

private:
    QSingleApplication &app;

private slots:
    void leftoverSegmentIsTakenOver()
    {
        QVERIFY(!app.isRunning());
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        QCOMPARE(peer.size(), QSingleApplication::SegmentSize);
        // The stale message of the leftover is gone.
        QCOMPARE(segmentBytes(peer).at(0), '0');
        QSignalSpy spy(&app, &QSingleApplication::messageAvailable);
        app.checkForMessage();
        QCOMPARE(spy.count(), 0);
    }

    void firstInstanceCannotSend()
    {
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        const QByteArray before = segmentBytes(peer);
        QVERIFY(!app.sendMessage(QStringLiteral("hello")));
        QCOMPARE(segmentBytes(peer), before);
    }

    void messageIsReceivedOnceAndReset()
    {
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        writeSegment(peer, QByteArray("1") + QStringLiteral("已运行相同程序！").toUtf8() + '\0' + "junk");
        QSignalSpy spy(&app, &QSingleApplication::messageAvailable);
        app.checkForMessage();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("已运行相同程序！"));
        QCOMPARE(segmentBytes(peer).at(0), '0');
        app.checkForMessage();
        QCOMPARE(spy.count(), 1);
    }

    void timerPollsTheSegment()
    {
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        QSignalSpy spy(&app, &QSingleApplication::messageAvailable);
        writeSegment(peer, QByteArray("1polled") + '\0');
        QVERIFY(spy.wait(3000));
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("polled"));
    }

    void messageWithoutEndIsReadToTheSegmentEnd()
    {
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        writeSegment(peer, "1" + QByteArray(QSingleApplication::SegmentSize - 1, 'x'));
        QSignalSpy spy(&app, &QSingleApplication::messageAvailable);
        app.checkForMessage();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString().size(), QSingleApplication::SegmentSize - 1);
    }
};

int main(int argc, char *argv[])
{
    QSharedMemory leftover(testKey);
    if (!leftover.create(QSingleApplication::SegmentSize)) {
        qCritical("cannot create the leftover segment: %s", qPrintable(leftover.errorString()));
        return 1;
    }
    std::memcpy(leftover.data(), "1stale", 7);

    QSingleApplication app(argc, argv, testKey);
    TestSingleApplication test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleapplication.moc"
