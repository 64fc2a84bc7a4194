#include "boxesfixture.h"
#include "managerdisplay.h"

#include "qhttpclient.h"
#include "xclient.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>

// Boxes and dialogs minimized, and downloads that end while the program is minimized, under a
// real window manager (Xvfb with a window manager): once the program is brought back, what it
// has to say is on the screen above its window, and the keys go where the user expects.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("最小证券");

// How a download ends while the program is minimized.
enum class Ends { Fails, Completes, CancelledUnseen };
// The side bar's award table, as the user left it before the box came.
enum class Award { No, Open, MinimizedByTheUser };
// What the user minimizes: the box from its title bar, the main window as a task bar does or by
// its own title bar's button, the download's window from its title bar.
enum class Minimized { TheBox, MainWindow, MainWindowByItsButton, TheDownload };
// Which of the program's windows the user then brings back, as a task bar does.
enum class Restored { MainWindow, TheBox, Award, AlertList };

const QString kQuestion = QStringLiteral("您确定要关闭程序吗?");

QString failedText(const QString &download)
{
    return download + QStringLiteral("下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
}

} // namespace

Q_DECLARE_METATYPE(Ends)
Q_DECLARE_METATYPE(Award)
Q_DECLARE_METATYPE(Minimized)
Q_DECLARE_METATYPE(Restored)

class TestMinimizedBoxes : public QObject, BoxesFixture
{
    Q_OBJECT

    // The user was in the main window (the award table up behind it when asked), minimized it as a
    // task bar does, then picked Close on its task-bar entry. The close question must be on the
    // screen at once, over the main window, which is back, with the keyboard, the award table
    // still up; then answer() answers it.
    void askToCloseWhileMinimized(Award award, QWidget **table, std::function<void(QMessageBox *)> answer)
    {
        QWidget *opened = nullptr;
        if (award == Award::Open)
            openAwardTable(display, false, &opened);
        else if (const QString focused = focusMainWindow(); !focused.isEmpty())
            QFAIL(qPrintable(focused));
        if (QTest::currentTestFailed())
            return;
        if (table)
            *table = opened;
        const WId main = window->winId();
        QVERIFY2(minimizedAskingAgain(window.data(), [main] { xdotool({"windowminimize", QString::number(main)}); }),
                 "the main window not minimized");
        QVERIFY2(!opened || isShown(opened->winId()), "the award table went down with the main window");
        QString failure;
        WhenBoxUp box([](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            return box && box->text() == kQuestion;
        }, [&](QWidget *modal) {
            const WId id = modal->winId();
            failure = waitUntil("the question on the screen over the main window, with the keyboard", [&] {
                const QList<WId> order = stackingOrder();
                return isShown(id) && isShown(main) && order.indexOf(id) > order.indexOf(main) && xFocus() == id
                       && shareShownOnScreen(modal) >= 0.98 && (!opened || isShown(opened->winId()));
            }, 10000);
            if (!failure.isEmpty()) {
                const QList<WId> order = stackingOrder();
                failure += QStringLiteral(": the question %1, %2% shown as painted, at %3; the main window %4, at %5; "
                                          "%6the X focus on %7")
                               .arg(xWindowState(id).describe())
                               .arg(100 * shareShownOnScreen(modal), 0, 'f', 1)
                               .arg(order.indexOf(id))
                               .arg(xWindowState(main).describe())
                               .arg(order.indexOf(main))
                               .arg(opened ? QStringLiteral("the award table %1, at %2; ")
                                                 .arg(xWindowState(opened->winId()).describe())
                                                 .arg(order.indexOf(opened->winId()))
                                           : QString())
                               .arg(xFocusText());
                static_cast<QMessageBox *>(modal)->reject();
                return;
            }
            answer(static_cast<QMessageBox *>(modal));
        });
        XClient x;
        QVERIFY(x.connected());
        x.closeWindow(quint32(main));
        WAIT_UNTIL("the close question seen and answered", box.done() && !QApplication::activeModalWidget(), 60000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

private slots:
    void initTestCase() { openWindow(display, kInst); }

    void cleanup()
    {
        tidyUp(display);
        // Put away shown normal: hidden while minimized, Qt would map it minimized next time.
        if (QWidget *table = awardTable(); table && table->isVisible()) {
            table->setWindowState(table->windowState() & ~Qt::WindowMinimized);
            WAIT_UNTIL("the award table restored", isShown(table->winId()), 10000);
            table->hide();
        }
    }

    // A box or modal dialog minimized while a window on top is up: from its own title bar (the
    // manager asked to iconify it, as its minimize button does), or with the main window as a task
    // bar does. Nothing the box blocks stays on the screen with dead buttons meanwhile. Once the
    // user brings back one of the program's windows as a task bar does (the main window, the box
    // itself, or the award table), the program is back whole: the box above its window and the
    // window on top, with the keyboard; the award table too, unless the user had minimized it
    // before. Escape closes the box, and the main window has the keys again. The program is never
    // left blocked with nothing on the screen to answer.
    void minimizedBoxComesBackWithItsWindow_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<QString>("box");
        QTest::addColumn<Award>("award");
        QTest::addColumn<Minimized>("minimized");
        QTest::addColumn<Restored>("restored");
        const QString question = kQuestion;
        const QString dayFailed = failedText(QStringLiteral("日线数据"));
        QTest::newRow("close question, strip up")
            << OnTop::MessageStrip << question << Award::No << Minimized::TheBox << Restored::MainWindow;
        QTest::newRow("下载失败 over the day-price download")
            << OnTop::DayDownload << dayFailed << Award::No << Minimized::TheBox << Restored::MainWindow;
        QTest::newRow("首选项, alert list up")
            << OnTop::Alert << QStringLiteral("QDlgOption") << Award::No << Minimized::TheBox << Restored::MainWindow;
        QTest::newRow("close question, award table open")
            << OnTop::MessageStrip << question << Award::Open << Minimized::TheBox << Restored::MainWindow;
        QTest::newRow("close question, award table open, the main window minimized")
            << OnTop::MessageStrip << question << Award::Open << Minimized::MainWindow << Restored::MainWindow;
        QTest::newRow("close question, award table open, it restored")
            << OnTop::MessageStrip << question << Award::Open << Minimized::TheBox << Restored::Award;
        QTest::newRow("close question, award table minimized by the user")
            << OnTop::MessageStrip << question << Award::MinimizedByTheUser << Minimized::TheBox << Restored::MainWindow;
        QTest::newRow("下载失败 over the day-price download, the box restored")
            << OnTop::DayDownload << dayFailed << Award::No << Minimized::TheBox << Restored::TheBox;
        QTest::newRow("首选项, alert list up, the box restored")
            << OnTop::Alert << QStringLiteral("QDlgOption") << Award::Open << Minimized::TheBox << Restored::TheBox;
        // The alert list is a window of the program's like the others.
        const QString reportFailed = failedText(QStringLiteral("报告"));
        QTest::newRow("下载失败 over the report download, alert list up, it restored")
            << OnTop::Alert << reportFailed << Award::No << Minimized::TheBox << Restored::AlertList;
        QTest::newRow("下载失败 over the report download, alert list up, the main window minimized, it restored")
            << OnTop::Alert << reportFailed << Award::No << Minimized::MainWindow << Restored::AlertList;
    }

    void minimizedBoxComesBackWithItsWindow()
    {
        QFETCH(OnTop, onTop);
        QFETCH(QString, box);
        QFETCH(Award, award);
        QFETCH(Minimized, minimized);
        QFETCH(Restored, restored);
        QWidget *table = nullptr;
        if (award != Award::No)
            openAwardTable(display, award == Award::MinimizedByTheUser, &table);
        if (QTest::currentTestFailed() || (award != Award::No && !table))
            return;
        bringUp(onTop);
        // The report the user opened then: its box stands over the download's window.
        const bool reportFails = box == failedText(QStringLiteral("报告"));
        if (reportFails && !QTest::currentTestFailed())
            bringUp(OnTop::ReportDownload);
        if (QTest::currentTestFailed())
            return;
        QWidget *up = onTopWindow(onTop);
        const WId main = window->winId();
        // The pointer where a task bar would be, off the box: a button of the box under it would
        // be painted as the pointer last left it.
        const QRect screen = window->screen()->geometry();
        QVERIFY(xdotool({"mousemove", QString::number(screen.left()), QString::number(screen.bottom())}));
        const auto isTheBox = [&box](QWidget *modal) {
            auto *message = qobject_cast<QMessageBox *>(modal);
            return modal && modal->isVisible() && (message ? message->text() == box : modal->inherits(qPrintable(box)));
        };
        QStringList failures;
        bool seen = false, done = false;
        QTimer watch;
        QElapsedTimer open;
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (seen || !isTheBox(modal))
                return;
            if (!open.isValid())
                open.start();
            // Acted on once the manager has focused it; unfocused, it is a failure too, and the
            // test goes on, as the box holds it.
            if (xFocus() != modal->winId() && open.elapsed() < 10000)
                return;
            if (xFocus() != modal->winId())
                failures << QStringLiteral("the box never had the keyboard");
            seen = true;
            QTimer::singleShot(0, modal, [&, modal = QPointer<QWidget>(modal)] {
                const QScopeGuard ended([&done] { done = true; });
                const WId id = modal->winId();
                xdotool({"windowminimize", QString::number(minimized == Minimized::TheBox ? id : main)});
                // (mutter minimizes no dialog.)
                const QString down = waitUntil("the box minimized", [&] { return !isShown(id); }, 10000);
                if (!down.isEmpty() && !display->is("mutter"))
                    failures << down;
                // The program goes down with it, unless the manager keeps it up.
                if (const QString up = down.isEmpty() ? nothingUpBut(modal) : QString(); !up.isEmpty())
                    failures << up;
                const WId back = restored == Restored::TheBox      ? id
                                 : restored == Restored::Award     ? table->winId()
                                 : restored == Restored::AlertList ? alert->winId()
                                                                   : main;
                xdotool({"windowactivate", QString::number(back)});
                // Above them as the manager stacks them, and on the screen as it paints itself (the
                // close question's 否 icon and the edge of its first glyph show a shade otherwise on
                // the screen than in a grab, already as it first opens: about 1% of its pixels).
                const auto painted = [&modal] { return modal && shareShownOnScreen(modal) >= 0.98; };
                const auto tableAsLeft = [&] {
                    return !table || isShown(table->winId()) == (award == Award::Open);
                };
                QString whole = waitUntil("the program back whole, the box over its window with the keyboard", [&] {
                    const QList<WId> order = stackingOrder();
                    const int at = order.indexOf(id);
                    return isShown(id) && isShown(main) && at > order.indexOf(main) && at > order.indexOf(up->winId())
                           && tableAsLeft() && xFocus() == id && modal && modal->isActiveWindow() && painted();
                }, 10000);
                if (!whole.isEmpty()) {
                    const QList<WId> order = stackingOrder();
                    failures << whole + QStringLiteral(": the box %1, at %2%3; the main window %4, %5; %6; %7the X focus on %8")
                                            .arg(xWindowState(id).describe(), QString::number(order.indexOf(id)),
                                                 painted() ? QString() : QStringLiteral(", %1% shown as painted").arg(modal ? 100 * shareShownOnScreen(modal) : 0.0, 0, 'f', 1),
                                                 xWindowState(main).describe(), placeOf("it", window.data(), order),
                                                 placeOf(QStringLiteral("the window on top"), up, order),
                                                 table ? QStringLiteral("the award table %1; ").arg(xWindowState(table->winId()).describe())
                                                       : QString())
                                            .arg(xFocusText());
                }
                xdotool({"key", "Escape"});
                if (!waitUntil("the box closed by Escape", [&] { return !modal || !modal->isVisible(); }, 10000).isEmpty()) {
                    failures << QStringLiteral("Escape did not close the box");
                    modal->hide();
                }
            });
        });
        watch.start(50);
        if (reportFails)
            QTimer::singleShot(0, download, [this] { download->findChild<QHttpClient *>()->abort(); });
        else if (onTop == OnTop::DayDownload)
            QTimer::singleShot(0, day, [this] { day->findChild<QHttpClient *>()->abort(); });
        else if (onTop == OnTop::MessageStrip)
            QTimer::singleShot(0, window.data(), [this] { window->close(); });
        else
            QTimer::singleShot(0, window.data(), [this] { actionOf(*window, QStringLiteral("首 选 项(&O)"))->trigger(); });
        WAIT_UNTIL("the box seen and closed", done && !isTheBox(QApplication::activeModalWidget()), 60000);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        const QString keys = waitUntil("the main window with the keys", [&] { return xFocus() == main; }, 10000);
        QVERIFY2(keys.isEmpty(), qPrintable(keys + QStringLiteral(": the X focus on %1").arg(xFocusText())));
        if (award != Award::Open)
            return;
        // Closed and opened again, the award table shows as the user opens it, not minimized.
        QVERIFY(table->close());
        QVERIFY(clickAwardButton());
        // mutter, busy with the window it focuses as the table goes, may take the click for
        // itself: the user clicks again.
        if (!waitUntil("", [&] { return table->isVisible(); }, 3000).isEmpty())
            QVERIFY(clickAwardButton());
        const QString again = waitUntil("the award table shown again", [&] { return isShown(table->winId()); }, 10000);
        QVERIFY2(again.isEmpty(), qPrintable(again + QStringLiteral(": %1%2%3").arg(xWindowState(table->winId()).describe(),
                                                                                    table->isVisible() ? ", visible" : ", hidden",
                                                                                    table->isMinimized() ? ", minimized" : "")));
    }

    // A download fails while the program is minimized: the main window minimized as a task bar
    // does or by its own title bar's button, or the download's window from its own title bar (the
    // message strip up, which the day-price download's window then stands over); the award table
    // up beside it or not. The box that says so is on the screen at once, over the main window,
    // which is back, with the keyboard; the award table the user was reading stays up. Answered,
    // the main window has the keys, where the user was before the program went down, whichever
    // window the manager focused as it went.
    void keysAfterAMinimizedDownloadFailed_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<Minimized>("minimized");
        QTest::addColumn<Award>("award");
        QTest::addColumn<QString>("answer");
        QTest::newRow("day-price download minimized, strip up")
            << OnTop::DayDownload << Minimized::TheDownload << Award::No << QStringLiteral("Return");
        QTest::newRow("report download minimized")
            << OnTop::ReportDownload << Minimized::TheDownload << Award::No << QStringLiteral("Return");
        QTest::newRow("report download, the main window minimized")
            << OnTop::ReportDownload << Minimized::MainWindow << Award::No << QStringLiteral("Return");
        QTest::newRow("report download, the main window minimized, award table open")
            << OnTop::ReportDownload << Minimized::MainWindow << Award::Open << QStringLiteral("Escape");
        QTest::newRow("report download, the main window's own button, award table open")
            << OnTop::ReportDownload << Minimized::MainWindowByItsButton << Award::Open << QStringLiteral("Escape");
    }

    void keysAfterAMinimizedDownloadFailed()
    {
        QFETCH(OnTop, onTop);
        QFETCH(Minimized, minimized);
        QFETCH(Award, award);
        QFETCH(QString, answer);
        QWidget *table = nullptr;
        if (award == Award::Open)
            openAwardTable(display, false, &table);
        if (onTop == OnTop::DayDownload)
            bringUp(OnTop::MessageStrip);
        if (QTest::currentTestFailed())
            return;
        bringUp(onTop);
        if (QTest::currentTestFailed())
            return;
        auto *dialog = static_cast<QDialog *>(onTopWindow(onTop));
        const WId main = window->winId();
        WAIT_UNTIL("the download focused", xFocus() == dialog->winId(), 10000);
        // Long before the download fails, the program has it too. A manager busy with the window
        // it has just focused may pass the request or the click by (openbox, mutter): the user
        // asks again.
        QWidget *asked = minimized == Minimized::TheDownload ? static_cast<QWidget *>(dialog) : window.data();
        const bool down = minimizedAskingAgain(asked, [&] {
            if (minimized == Minimized::MainWindowByItsButton)
                clickAt(window->findChild<QWidget *>(QStringLiteral("btnMinimize")), Qt::LeftButton);
            else
                xdotool({"windowminimize", QString::number(asked->winId())});
        });
        if (!down && display->is("mutter") && minimized == Minimized::TheDownload)
            QSKIP("mutter minimizes no dialog");
        QVERIFY2(down, "not minimized");
        QStringList failures;
        WhenBoxUp box([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            return box && box->text() == failedText(onTop == OnTop::DayDownload ? QStringLiteral("日线数据") : QStringLiteral("报告"));
        }, [&](QWidget *box) {
            const WId id = box->winId();
            const QString back = waitUntil("the box on the screen over the main window, with the keyboard", [&] {
                const QList<WId> order = stackingOrder();
                return isShown(id) && isShown(main) && order.indexOf(id) > order.indexOf(main) && xFocus() == id
                       && shareShownOnScreen(box) >= 0.98 && (!table || isShown(table->winId()));
            }, 10000);
            if (!back.isEmpty()) {
                failures << back + QStringLiteral(": the box %1, %2% shown as painted; the main window %3, %4the X focus on %5")
                                       .arg(xWindowState(id).describe())
                                       .arg(100 * shareShownOnScreen(box), 0, 'f', 1)
                                       .arg(xWindowState(main).describe(),
                                            table ? QStringLiteral("the award table %1, ").arg(xWindowState(table->winId()).describe())
                                                  : QString())
                                       .arg(xFocusText());
                // Brought back by the user, so that the row can go on.
                xdotool({"windowactivate", QString::number(main)});
                waitUntil("", [&] { return xFocus() == id; }, 10000);
            }
            xdotool({"key", answer});
            if (!waitUntil("the box answered", [&] { return !box->isVisible(); }, 10000).isEmpty()) {
                failures << answer + QStringLiteral(" did not answer the box");
                box->hide();
            }
        });
        QTimer::singleShot(0, dialog, [dialog] { dialog->findChild<QHttpClient *>()->abort(); });
        WAIT_UNTIL("the box answered", box.done() && !QApplication::activeModalWidget(), 60000);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        const QString keys = mainWindowTakesTheKeys();
        QVERIFY2(keys.isEmpty(), qPrintable(keys));
        QVERIFY2(!table || isShown(table->winId()), "the award table went");
    }

    // Asked again from the side bar, the award table comes forward at the first click: back from
    // minimized, raised over the main window, with the keyboard. So too once it was closed from
    // the task bar while minimized: it shows, not minimized.
    void awardTableComesForwardWhenAskedAgain_data()
    {
        QTest::addColumn<Award>("award");
        QTest::addColumn<bool>("closed");
        QTest::newRow("minimized by the user") << Award::MinimizedByTheUser << false;
        QTest::newRow("behind the main window") << Award::Open << false;
        QTest::newRow("minimized, then closed from the task bar") << Award::MinimizedByTheUser << true;
    }

    void awardTableComesForwardWhenAskedAgain()
    {
        QFETCH(Award, award);
        QFETCH(bool, closed);
        QWidget *table = nullptr;
        openAwardTable(display, award == Award::MinimizedByTheUser, &table);
        if (QTest::currentTestFailed() || !table)
            return;
        if (closed) {
            XClient x;
            QVERIFY(x.connected());
            x.closeWindow(quint32(table->winId()));
            WAIT_UNTIL("the award table closed", !table->isVisible() && !xWindowState(table->winId()).mapped, 10000);
        }
        QVERIFY(clickAwardButton());
        const QString failure = waitUntil("the award table forward with the keyboard", [&] {
            const QList<WId> order = stackingOrder();
            return isShown(table->winId()) && order.indexOf(table->winId()) > order.indexOf(window->winId())
                   && xFocus() == table->winId() && table->isActiveWindow();
        }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": the award table %1, the X focus on %2")
                                                             .arg(xWindowState(table->winId()).describe())
                                                             .arg(xFocusText())));
    }

    // With the message strip up, as after every login, the award table opened from the side bar
    // goes while it has the keyboard: closed by Escape or its title bar's close button, or
    // minimized. The main window has the keys: a code typed with the pointer away from it opens
    // its stock.
    void keysBackToTheMainWindowAsTheAwardTableGoes_data()
    {
        QTest::addColumn<QString>("goes");
        QTest::newRow("Escape") << QStringLiteral("Escape");
        QTest::newRow("its close button") << QStringLiteral("close");
        QTest::newRow("minimized") << QStringLiteral("minimize");
    }

    void keysBackToTheMainWindowAsTheAwardTableGoes()
    {
        QFETCH(QString, goes);
        window->showReportListOfInst(kInst);
        bringUp(OnTop::MessageStrip);
        if (QTest::currentTestFailed())
            return;
        const QString focused = focusMainWindow();
        QVERIFY2(focused.isEmpty(), qPrintable(focused));
        QVERIFY(clickAwardButton());
        QWidget *table = awardTable();
        WAIT_UNTIL("the award table up with the keyboard", table && isShown(table->winId()) && xFocus() == table->winId(), 10000);
        XClient x;
        QVERIFY(x.connected());
        if (goes == QLatin1String("Escape")) {
            QVERIFY(xdotool({"key", "Escape"}));
        } else if (goes == QLatin1String("close")) {
            x.closeWindow(quint32(table->winId()));
        } else {
            QVERIFY(xdotool({"windowminimize", QString::number(table->winId())}));
            if (!waitUntil("", [&] { return xWindowState(table->winId()).iconic; }, 10000).isEmpty() && display->is("mutter"))
                QSKIP("mutter minimizes no window without a minimize button");
        }
        WAIT_UNTIL("the award table gone", !isShown(table->winId()), 10000);
        // Where no window of the program is.
        const QRect screen = window->screen()->geometry();
        QVERIFY(xdotool({"mousemove", QString::number(screen.left()), QString::number(screen.bottom())}));
        QVERIFY(!window->frameGeometry().contains(screen.bottomLeft()));
        QVERIFY(xdotool({"key", "--delay", "60", "6", "0", "0", "3", "1", "0", "Return"}));
        const QString opened = waitUntil("the list of 600310.SH",
                                         [&] { return window->windowTitle().endsWith(QLatin1String("(600310.SH)")); }, 10000);
        QVERIFY2(opened.isEmpty(), qPrintable(opened + QStringLiteral(": the X focus on %1").arg(xFocusText())));
        if (goes == QLatin1String("minimize")) {
            table->setWindowState(table->windowState() & ~Qt::WindowMinimized);
            WAIT_UNTIL("the award table restored", isShown(table->winId()), 10000);
        }
        table->hide();
    }

    // The day-price download's window opens while the program is minimized (the chart asks for
    // the next stock's prices): it is on the screen at once over the main window, which is back,
    // with the keyboard. Ended and opened again, it shows as the program opens it, not minimized.
    void dayDownloadOpensWhileTheProgramIsDown()
    {
        const WId main = window->winId();
        QVERIFY(xdotool({"windowminimize", QString::number(main)}));
        WAIT_UNTIL("the program minimized", !isShown(main) && window->isMinimized(), 10000);
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/day")));
        day->downloadDay(QStringLiteral("600309.SH"));
        const QString back = waitUntil("the download on the screen over the main window, with the keyboard", [&] {
            const QList<WId> order = stackingOrder();
            return isShown(day->winId()) && isShown(main) && order.indexOf(day->winId()) > order.indexOf(main)
                   && xFocus() == day->winId();
        }, 10000);
        QVERIFY2(back.isEmpty(), qPrintable(back + QStringLiteral(": the download %1, the main window %2, the X focus on %3")
                                                       .arg(xWindowState(day->winId()).describe(), xWindowState(main).describe())
                                                       .arg(xFocusText())));
        windowsOnTop.endDownloads();
        bringUp(OnTop::DayDownload);
        if (QTest::currentTestFailed())
            return;
        const QString shown = waitUntil("the next download shown", [&] { return isShown(day->winId()) && isShown(main); }, 10000);
        QVERIFY2(shown.isEmpty(), qPrintable(shown + QStringLiteral(": the download %1, the main window %2")
                                                         .arg(xWindowState(day->winId()).describe(), xWindowState(main).describe())));
    }

    // A download ends while the program is minimized, by the main window's own button or as a
    // task bar does: it fails (its box answered) or completes; or it is cancelled before the
    // program has taken in the minimize, which it does only then, the manager held up meanwhile.
    // Once the window is restored as a task bar does, the next download's dialog shows over it,
    // and the main window stays as it is. (The day-price download is modal: the main window's
    // button takes no click meanwhile.)
    void nextDownloadShowsAfterMinimized_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<Ends>("ends");
        QTest::newRow("report download, its button, fails") << OnTop::ReportDownload << true << Ends::Fails;
        QTest::newRow("report download, its button, completes") << OnTop::ReportDownload << true << Ends::Completes;
        QTest::newRow("report download, the manager, fails") << OnTop::ReportDownload << false << Ends::Fails;
        QTest::newRow("report download, the manager, completes") << OnTop::ReportDownload << false << Ends::Completes;
        QTest::newRow("report download, the manager, cancelled before the program saw it")
            << OnTop::ReportDownload << false << Ends::CancelledUnseen;
        QTest::newRow("day-price download, the manager, fails") << OnTop::DayDownload << false << Ends::Fails;
        QTest::newRow("day-price download, the manager, completes") << OnTop::DayDownload << false << Ends::Completes;
    }

    void nextDownloadShowsAfterMinimized()
    {
        QFETCH(OnTop, onTop);
        QFETCH(bool, byButton);
        QFETCH(Ends, ends);
        const WId main = window->winId();
        QWidget *dialog = onTopWindow(onTop);
        ModalWatcher boxes;
        if (ends == Ends::Completes) {
            // Held until the program is minimized.
            const QString report = dir.filePath(QStringLiteral("reports/%1.pdf").arg(QTest::currentDataTag()));
            QFile::remove(report);
            QVERIFY(server.pause());
            if (onTop == OnTop::DayDownload)
                day->downloadDay(QStringLiteral("600003.SH"));
            else
                window->openFile(reportId, report);
        } else {
            bringUp(onTop);
        }
        // Minimized once the dialog has the focus, the program's record of it too: as Qt takes in
        // that the main window lost it, it asks the manager to activate the modal dialog.
        const QString unfocused = waitUntil("the dialog focused",
                                            [&] { return xFocus() == dialog->winId() && dialog->isActiveWindow(); }, 10000);
        QVERIFY2(unfocused.isEmpty(),
                 qPrintable(unfocused + QStringLiteral(": the X focus on %1, the dialog %2 (%3), Qt's active window %4, focus window %5")
                                            .arg(xFocusText()).arg(dialog->winId())
                                            .arg(xWindowState(dialog->winId()).describe())
                                            .arg(QApplication::activeWindow() ? QApplication::activeWindow()->objectName()
                                                                              : QStringLiteral("none"))
                                            .arg(QGuiApplication::focusWindow() ? QGuiApplication::focusWindow()->objectName()
                                                                                : QStringLiteral("none"))));
        if (ends == Ends::CancelledUnseen && display->is("xfwm4"))
            QSKIP("xfwm4 leaves a dialog that stays on top up as it minimizes its window");
        if (byButton) {
            QWidget *minimize = window->findChild<QWidget *>(QStringLiteral("btnMinimize"));
            QVERIFY(clickAt(minimize, Qt::LeftButton));
            // mutter, still busy with the dialog it has just mapped, may take the click for
            // itself: the user clicks again.
            if (display->is("mutter")
                && !waitUntil("the main window minimized", [&] { return xWindowState(main).iconic; }, 3000).isEmpty())
                QVERIFY(clickAt(minimize, Qt::LeftButton));
        } else {
            QVERIFY(xdotool({"windowminimize", QString::number(main)}));
        }
        if (ends == Ends::CancelledUnseen) {
            // No event handled meanwhile: the program has not seen the minimize.
            const QDeadlineTimer deadline(10000);
            while (!xWindowState(dialog->winId()).iconic && !deadline.hasExpired())
                QThread::msleep(20);
            QVERIFY2(!deadline.hasExpired(), "the dialog was not minimized");
            QVERIFY(display->pauseWindowManager());
            bool seen = false;
            const auto seeing = connect(dialog->windowHandle(), &QWindow::windowStateChanged, this,
                                        [&seen](Qt::WindowState state) { seen = seen || state == Qt::WindowMinimized; });
            static_cast<QDialog *>(dialog)->reject();
            const QString failure = waitUntil("the program seeing the minimize", [&] { return seen; }, 10000);
            disconnect(seeing);
            QVERIFY(display->resumeWindowManager());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        } else {
            // As the program has it too, as it would long before a download ends. (kwin leaves
            // a modal dialog up.)
            const QString notMinimized = waitUntil("the program minimized", [&] {
                return xWindowState(main).iconic && window->isMinimized()
                       && (dialog->isMinimized() || isShown(dialog->winId()));
            }, 10000);
            QVERIFY2(notMinimized.isEmpty(),
                     qPrintable(notMinimized + QStringLiteral(": the main window %1 (%2), the dialog %3 (%4)")
                                                   .arg(xWindowState(main).describe())
                                                   .arg(window->isMinimized() ? "minimized" : "not minimized")
                                                   .arg(xWindowState(dialog->winId()).describe())
                                                   .arg(dialog->isMinimized() ? "minimized" : "not minimized")));
            if (ends == Ends::Completes)
                QVERIFY(server.resume());
            else
                dialog->findChild<QHttpClient *>()->abort();
        }
        WAIT_UNTIL("the download ended, its box answered",
                   !download->isDownloading() && !day->isBusy() && !dialog->isVisible() && !QApplication::activeModalWidget(),
                   20000);
        QVERIFY(xdotool({"windowactivate", QString::number(main)}));
        WAIT_UNTIL("the main window restored", isShown(main), 10000);
        bringUp(onTop);
        if (QTest::currentTestFailed())
            return;
        const QString failure = waitUntil("the next dialog shown over the main window",
                                          [&] { return isShown(dialog->winId()) && isShown(main); }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": main window %1, dialog %2")
                                                             .arg(xWindowState(main).describe(),
                                                                  xWindowState(dialog->winId()).describe())));
    }

    // The minimized program closed from its task-bar entry (the manager asked to close the main
    // window), the award table up beside it or not: the close question is on the screen at once,
    // over the main window, which is back, with the keyboard; the award table the user was
    // reading stays up. Answered 否 or with Escape, the program is up with the keys in the main
    // window.
    void closedFromTheTaskBarWhileMinimized_data()
    {
        QTest::addColumn<Award>("award");
        QTest::addColumn<bool>("escape");
        QTest::newRow("否") << Award::No << false;
        QTest::newRow("Escape") << Award::No << true;
        QTest::newRow("award table up, 否") << Award::Open << false;
        QTest::newRow("award table up, Escape") << Award::Open << true;
    }

    void closedFromTheTaskBarWhileMinimized()
    {
        QFETCH(Award, award);
        QFETCH(bool, escape);
        QWidget *table = nullptr;
        QString failure;
        askToCloseWhileMinimized(award, &table, [&](QMessageBox *box) {
            if (escape)
                xdotool({"key", "Escape"});
            else
                clickAt(box->button(QMessageBox::No), Qt::LeftButton);
            failure = waitUntil("the close question answered", [&] { return !box->isVisible(); }, 10000);
            if (!failure.isEmpty())
                box->hide();
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString keys = mainWindowTakesTheKeys();
        QVERIFY2(keys.isEmpty(), qPrintable(keys));
        QVERIFY2(!table || isShown(table->winId()), "the award table went");
    }

    // Answered 是, it ends the program: the update engine is asked to stop, whose end closes the
    // main window. The last row: the program is on its way out.
    void closedFromTheTaskBarWhileMinimizedAnsweredYes()
    {
        QSignalSpy stopping(window.data(), SIGNAL(stopUpdater()));
        askToCloseWhileMinimized(Award::No, nullptr, [](QMessageBox *box) {
            clickAt(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        WAIT_UNTIL("the program ending", stopping.count() == 1, 10000);
    }
};

MANAGER_TEST_MAIN(TestMinimizedBoxes, QApplication)

#include "tst_minimizedboxes.moc"
