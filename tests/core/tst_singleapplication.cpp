#include "qsingleapplication.h"

#include <QSharedMemory>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>

// One process holds one application object, so it is built once, after a segment has been left
// behind as by an instance that was killed. Messages come from a second shared-memory object on
// the same key, as a second process writes them.
namespace {

const QString testKey = "TamrelTestGuard";

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
    void messages()
    {
        // The leftover is taken over and its stale message dropped; the first instance sends nothing.
        QVERIFY(!app.isRunning());
        QSharedMemory peer(testKey);
        QVERIFY(peer.attach());
        QCOMPARE(peer.size(), QSingleApplication::SegmentSize);
        QSignalSpy spy(&app, &QSingleApplication::messageAvailable);
        app.checkForMessage();
        QVERIFY(!app.sendMessage("hello"));
        QCOMPARE(spy.count(), 0);
        // A message is taken once, up to its NUL.
        writeSegment(peer, "1" + QString("已运行相同程序！").toUtf8() + '\0' + "junk");
        app.checkForMessage();
        app.checkForMessage();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QString("已运行相同程序！"));
        // One without an end is read to the end of the segment, not beyond.
        writeSegment(peer, "1" + QByteArray(QSingleApplication::SegmentSize - 1, 'x'));
        app.checkForMessage();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toString().size(), QSingleApplication::SegmentSize - 1);
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
