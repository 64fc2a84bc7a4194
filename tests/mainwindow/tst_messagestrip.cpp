#include "mainwindowtest.h"

#include "dialogplacement.h"
#include "globalstate.h"
#include "localzone.h"
#include "messagescroller.h"
#include "qdlgmessage.h"
#include "qmessageboard.h"
#include "qwinmain.h"
#include "serviceapi.h"
#include "storedtime.h"

#include <QSignalSpy>

namespace {

const QDateTime kT1(QDate(2026, 12, 7), QTime(9, 30, 0));

// Every text is as wide as its length.
int lengthWidth(const QString &text)
{
    return text.size();
}

// A message titled with its id: "[09:30] i - " and the id, 12 pixels wider than the id.
QMessageRecord record(const QString &id, const QDateTime &entry = kT1)
{
    return QMessageRecord(id, id, QStringLiteral("i"), QString(), entry, entry);
}

int widthOf(const QString &id)
{
    return 12 + id.size();
}

// Steps until the condition holds; the number of steps taken, or -1 after 10000 steps.
int stepUntil(MessageScroller &scroller, int width, const std::function<bool()> &done)
{
    for (int steps = 0; steps < 10000; ++steps) {
        if (done())
            return steps;
        scroller.step(width, lengthWidth);
    }
    return -1;
}

void send(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A board of the dialog's size, shown, whose single message "42" stands at x = 0.
void messageAtLeftEdge(QMessageBoard *board)
{
    board->addMessage(QStringLiteral("42"), QStringLiteral("标题"), QStringLiteral("机构"), QString(), kT1, kT1);
    board->tick();
    while (board->messages().strip().first().getX() > 0)
        board->tick();
}

} // namespace

class TestMessageStrip : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(prepareMainDatabase(dir)); }

    // The strip names the same local copy as the report list, whose empty type reads "PDF".
    void recordTextAndFile()
    {
        const QString title = QStringLiteral("PE<10倍: \"低估\"");
        for (const QString &type : {QString(), QStringLiteral("DOC")}) {
            const QMessageRecord r(QStringLiteral("7"), title, QStringLiteral("机构"), type,
                                   QDateTime(QDate(2026, 12, 7), QTime(9, 5, 59)), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
            QCOMPARE(r.getText(), QStringLiteral("[09:05] 机构 - ") + title);
            QCOMPARE(r.getFileName(), makeReportFileName(QStringLiteral("机构"), title, QStringLiteral("20261206"),
                                                         type.isEmpty() ? QStringLiteral("PDF") : type));
        }
    }

    // It enters at the right edge in its first pass, crosses, is queued and comes back at once
    // from the queue; a queue head still on the strip is not entered twice.
    void oneMessageCircles()
    {
        MessageScroller scroller;
        const int width = 100;
        const QString id = QStringLiteral("abcdefghij");
        scroller.add(record(id));
        scroller.step(width, lengthWidth);
        QCOMPARE(scroller.strip().size(), 1);
        QCOMPARE(scroller.strip().first().getX(), width);
        QVERIFY(scroller.strip().first().isFirstPass());
        // x + w reaches 0 after width + w further steps; the step after that takes it off.
        for (int i = 0; i < width + widthOf(id); ++i)
            scroller.step(width, lengthWidth);
        QCOMPARE(scroller.strip().first().getX() + widthOf(id), 0);
        scroller.step(width, lengthWidth);
        QVERIFY(scroller.strip().isEmpty());
        QCOMPARE(scroller.rotation().size(), 1);
        scroller.step(width, lengthWidth);
        QCOMPARE(scroller.strip().first().getX(), width);
        QVERIFY(!scroller.strip().first().isFirstPass());
        for (int i = 0; i < 500; ++i) {
            scroller.step(width, lengthWidth);
            QVERIFY(scroller.strip().size() <= 1);
        }
        QCOMPARE(scroller.rotation().size(), 1);
    }

    // Each message enters once the previous one's right end is 20 pixels clear of the edge.
    void gapOfTwentyPixels()
    {
        MessageScroller scroller;
        const int width = 300;
        const int w1 = widthOf(QStringLiteral("a2345")), w2 = widthOf(QStringLiteral("b234567890"));
        for (const char *id : {"a2345", "b234567890", "c"})
            scroller.add(record(QString::fromLatin1(id)));
        QCOMPARE(stepUntil(scroller, width, [&] { return scroller.strip().size() == 2; }), w1 + 20 + 1);
        QCOMPARE(scroller.strip().at(0).getX(), width - w1 - 20);
        QCOMPARE(scroller.strip().at(1).getX(), width);
        QCOMPARE(stepUntil(scroller, width, [&] { return scroller.strip().size() == 3; }), w2 + 20);
        QCOMPARE(scroller.strip().at(2).getX() - (scroller.strip().at(1).getX() + w2), 20);
    }

    // New messages come before queued ones.
    void pendingBeforeQueued()
    {
        MessageScroller scroller;
        scroller.add(record(QStringLiteral("a")));
        QVERIFY(stepUntil(scroller, 50, [&] { return !scroller.rotation().isEmpty(); }) > 0);
        scroller.add(record(QStringLiteral("b")));
        QVERIFY(stepUntil(scroller, 50, [&] { return scroller.strip().size() == 1; }) >= 0);
        QCOMPARE(scroller.strip().first().getId(), QStringLiteral("b"));
        QVERIFY(scroller.strip().first().isFirstPass());
    }

    // A full queue: an older message is dropped; a newer one is appended and every message of
    // the earliest second goes, the appended one too when it is of that second.
    void rotationQueueRule_data()
    {
        QTest::addColumn<QList<int>>("queued"); // seconds after T1 of the six queued messages
        QTest::addColumn<int>("leaving");       // milliseconds after T1 of the leaving one
        QTest::addColumn<QString>("leavingId");
        QTest::addColumn<QString>("expected");
        const QList<int> spread{0, 1, 2, 3, 4, 5};
        QTest::newRow("older dropped") << spread << -1000 << "g" << "abcdef";
        QTest::newRow("newer replaces the earliest") << spread << 10000 << "g" << "bcdefg";
        QTest::newRow("newer replaces the three of the earliest second") << QList<int>{0, 0, 0, 3, 4, 5} << 10000 << "g" << "defg";
        QTest::newRow("of the earliest second: appended and removed again") << spread << 0 << "g" << "bcdef";
        QTest::newRow("already queued: not twice") << spread << 10000 << "c" << "abcdef";
    }

    void rotationQueueRule()
    {
        QFETCH(QList<int>, queued);
        QFETCH(int, leaving);
        QFETCH(QString, leavingId);
        QFETCH(QString, expected);
        MessageScroller scroller;
        const int width = 40;
        for (int i = 0; i < queued.size(); ++i)
            scroller.add(record(QString(QChar('a' + i)), kT1.addSecs(queued.at(i))));
        QVERIFY(stepUntil(scroller, width, [&] { return scroller.rotation().size() == 6; }) > 0);
        scroller.add(record(leavingId, kT1.addMSecs(leaving)));
        // Queued copies leaving change nothing, so the queue changes only when the new one leaves.
        const auto firstPassShown = [&] {
            for (const QMessageRecord &r : scroller.strip()) {
                if (r.isFirstPass())
                    return true;
            }
            return false;
        };
        QVERIFY(stepUntil(scroller, width, firstPassShown) >= 0);
        QVERIFY(stepUntil(scroller, width, [&] { return !firstPassShown(); }) >= 0);
        QString queue;
        for (const QMessageRecord &r : scroller.rotation())
            queue += r.getId();
        std::sort(queue.begin(), queue.end());
        QCOMPARE(queue, expected);
    }

    // Reports entered in the hour a change to summer time skips in the user's zone, with their
    // times as the importer reads them: they show that time, and the queue's rule takes them in
    // the order they were written, before the hour that follows.
    void rotationInTheSkippedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("first"); // the entry of the earliest message; the others a second apart
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << "2017-03-26 02:30:00";
        QTest::newRow("New York") << QByteArray("America/New_York") << "2017-03-12 02:59:50";
        QTest::newRow("UTC") << QByteArray("UTC") << "2017-03-26 02:30:00";
    }

    void rotationInTheSkippedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, first);
        const LocalZone local(zone);
        const auto entered = [&first](int seconds) {
            const QDateTime written(QDate::fromString(first.left(10), Qt::ISODate),
                                    QTime::fromString(first.mid(11), Qt::ISODate), Qt::UTC);
            return readStoredDateTime(written.addSecs(seconds).toString("yyyy-MM-dd HH:mm:ss"));
        };
        MessageScroller scroller;
        for (int i = 0; i < MessageScroller::kRotationLimit; ++i)
            scroller.add(record(QString(QChar('a' + i)), entered(i)));
        QCOMPARE(scroller.pending().first().getText().left(7), "[" + first.mid(11, 5) + "]");
        QVERIFY(stepUntil(scroller, 40, [&] { return scroller.rotation().size() == MessageScroller::kRotationLimit; }) > 0);
        scroller.add(record(QStringLiteral("g"), entered(10)));
        QVERIFY(stepUntil(scroller, 40, [&] { return scroller.rotation().contains(record(QStringLiteral("g"))); }) > 0);
        QString queue;
        for (const QMessageRecord &r : scroller.rotation())
            queue += r.getId();
        std::sort(queue.begin(), queue.end());
        QCOMPARE(queue, QStringLiteral("bcdefg"));
    }

    // While hidden the strip only collects; the oldest beyond the limit are dropped.
    void pendingMessagesCapped()
    {
        MessageScroller scroller;
        for (int i = 0; i < MessageScroller::kPendingLimit + 50; ++i)
            scroller.add(record(QString::number(i)));
        QCOMPARE(scroller.pending().size(), MessageScroller::kPendingLimit);
        QCOMPARE(scroller.pending().first().getId(), QStringLiteral("50"));
        QCOMPARE(scroller.pending().last().getId(), QString::number(MessageScroller::kPendingLimit + 49));
    }

    // Yellow on the first pass, cyan on the later ones.
    void firstPassYellowThenCyan()
    {
        QMessageBoard board;
        board.resize(574, 20);
        QVERIFY(showExposed(board));
        messageAtLeftEdge(&board);
        const auto shows = [&board](bool yellow) {
            const QImage image = board.grab().toImage();
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.green() > 200 && (yellow ? c.red() > 200 && c.blue() < 60 : c.red() < 60 && c.blue() > 200))
                        return true;
                }
            }
            return false;
        };
        QVERIFY(shows(true) && !shows(false));
        while (board.messages().rotation().isEmpty())
            board.tick();
        while (board.messages().strip().isEmpty() || board.messages().strip().first().getX() > 0)
            board.tick();
        QVERIFY(!shows(true) && shows(false));
    }

    // The mouse over the strip stops it and picks the message beneath, which a left click without
    // movement opens, and a double-click once; a drag moves the dialog.
    void clickOpensDragMoves_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("moveBy");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("twice"); // a double-click: press, release, double-click, release
        QTest::newRow("click on the message") << 3 << 0 << int(Qt::LeftButton) << true << false;
        QTest::newRow("click beside it") << 570 << 0 << int(Qt::LeftButton) << false << false;
        QTest::newRow("drag") << 3 << 30 << int(Qt::LeftButton) << false << false;
        QTest::newRow("right click") << 3 << 0 << int(Qt::RightButton) << false << false;
        QTest::newRow("double-click on the message") << 3 << 0 << int(Qt::LeftButton) << true << true;
    }

    void clickOpensDragMoves()
    {
        QFETCH(int, x);
        QFETCH(int, moveBy);
        QFETCH(int, button);
        QFETCH(bool, opens);
        QFETCH(bool, twice);
        QDlgMessage dialog;
        QSignalSpy spy(&dialog, &QDlgMessage::openFile);
        dialog.move(100, 50);
        QVERIFY(showExposed(dialog));
        const QPoint start = dialog.pos();
        QMessageBoard *board = dialog.messageBoard();
        messageAtLeftEdge(board);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(board, &enter);
        board->tick();
        QCOMPARE(board->messages().strip().first().getX(), 0);
        send(board, QEvent::MouseMove, QPoint(x, 10), Qt::NoButton);
        QCOMPARE(board->getHoverReportId(), x < 100 ? QStringLiteral("42") : QString());
        QCOMPARE(board->cursor().shape(), x < 100 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        send(board, QEvent::MouseButtonPress, QPoint(x, 10), Qt::MouseButton(button));
        if (moveBy)
            send(board, QEvent::MouseMove, QPoint(x + moveBy, 15), Qt::MouseButton(button));
        send(board, QEvent::MouseButtonRelease, QPoint(x + moveBy, 15), Qt::MouseButton(button));
        if (twice) {
            send(board, QEvent::MouseButtonDblClick, QPoint(x, 15), Qt::MouseButton(button));
            send(board, QEvent::MouseButtonRelease, QPoint(x, 15), Qt::MouseButton(button));
        }
        QCOMPARE(dialog.pos(), start + (moveBy ? QPoint(moveBy, 5) : QPoint()));
        QCOMPARE(spy.count(), opens ? 1 : 0);
        if (opens) {
            QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("42"));
            QCOMPARE(spy.at(0).at(1).toString(),
                     getLocalFilePath(makeReportFileName(QStringLiteral("机构"), QStringLiteral("标题"),
                                                         kT1.toString(QStringLiteral("yyyyMMdd")), QStringLiteral("PDF"))));
        }
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(board, &leave);
        board->tick();
        QCOMPARE(board->messages().strip().first().getX(), -1);
    }

    // On with Option/MessageShow, at the top centre of the main window's screen; the menu entry
    // hides and shows it.
    void stripFollowsOptionAndMenu_data()
    {
        QTest::addColumn<int>("messageShow");
        QTest::newRow("on") << 1;
        QTest::newRow("off") << 0;
    }

    void stripFollowsOptionAndMenu()
    {
        QFETCH(int, messageShow);
        setMessageShow(messageShow);
        QWinMain window;
        QVERIFY(showExposed(window));
        auto *strip = qobject_cast<QDlgMessage *>(topLevelOf("QDlgMessage"));
        QAction *action = actionOf(window, QStringLiteral("滚动提示(&M)"));
        QCOMPARE(action->isChecked(), messageShow > 0);
        for (const bool on : {messageShow > 0, messageShow == 0}) {
            QCOMPARE(strip->isVisible(), on);
            QCOMPARE(strip->messageBoard()->isScrolling(), on);
            if (on) {
                QCOMPARE(strip->pos(), placedPosition(availableAreaOf(&window), strip->frameGeometry().size(),
                                                      Qt::AlignTop | Qt::AlignHCenter));
            }
            if (on == (messageShow > 0))
                action->trigger();
        }
        QCOMPARE(getMessageShow(), messageShow);
    }
};

QTEST_MAIN(TestMessageStrip)
#include "tst_messagestrip.moc"
