#include "globalstate.h"
#include "qsingleapplication.h"
#include "startup.h"
#include "testfiles.h"

#include <QSharedMemory>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>

namespace {

const QString testKey = "TamrelTestGuard";

void writeSegment(QSharedMemory &memory, const QByteArray &bytes)
{
    memory.lock();
    std::memcpy(memory.data(), bytes.constData(), size_t(qMin(bytes.size(), memory.size())));
    memory.unlock();
}

} // namespace

// One process holds one application object, so main() builds it once, after leaving a segment
// behind as an instance that was killed would. Messages come from a second shared-memory object
// on the same key, as a second process writes them.
class TestStartup : public QObject
{
    Q_OBJECT

public:
    explicit TestStartup(QSingleApplication &app) : app(app) {}

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

    // The origin of the available area is not added; a frame larger than the area goes negative.
    void centredPosition()
    {
        QCOMPARE(QList<QPoint>({::centredPosition(QRect(0, 0, 1920, 1040), QSize(1200, 801)),
                                ::centredPosition(QRect(1920, 30, 1920, 1040), QSize(1200, 801)),
                                ::centredPosition(QRect(0, 0, 800, 600), QSize(1001, 701))}),
                 QList<QPoint>({QPoint(360, 119), QPoint(360, 119), QPoint(-100, -50)}));
    }

    // A font file that is not one falls back to the family list, whose first font must have the
    // Chinese glyphs, or every label shows boxes.
    void fallbackFont()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("font.ttc"), "not a font"));
        installAppFont(dir.path());
        QCOMPARE(getAppFont().families(), fallbackFontFamilies());
        QCOMPARE(fallbackFontFamilies().first(), QString("WenQuanYi Zen Hei"));
        QCOMPARE(QApplication::font().pointSize(), 11);
        const QFontMetrics metrics(getAppFont());
        for (const QChar c : QString("最新报告已运行相同程序"))
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
    }
};

int main(int argc, char *argv[])
{
    QSharedMemory leftover(testKey);
    // A segment that a killed program left may already have the key's number (made of 16 bits of
    // the key file's inode): it serves as the leftover.
    if (!leftover.create(QSingleApplication::SegmentSize)
        && !(leftover.error() == QSharedMemory::AlreadyExists && leftover.attach())) {
        qCritical("cannot create the leftover segment: %s", qPrintable(leftover.errorString()));
        return 1;
    }
    std::memcpy(leftover.data(), "1stale", 7);
    QSingleApplication app(argc, argv, testKey);
    TestStartup test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
