#include "boxesfixture.h"
#include "managerdisplay.h"

#include "qhttpclient.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>

// Boxes and dialogs minimized, and downloads that end while the program is minimized, under a
// real window manager (Xvfb with a window manager): once the program is brought back, what it
// has to say is on the screen above its window, and the keys go where the user expects.

namespace {

ManagerDisplay *display = nullptr;

const QString kInst = QStringLiteral("最小证券");

// How a download ends while the program is minimized.
enum class Ends { Fails, Completes, CancelledUnseen };

} // namespace

Q_DECLARE_METATYPE(Ends)

class TestMinimizedBoxes : public QObject, BoxesFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { openWindow(display, kInst); }
    void cleanup() { tidyUp(display); }

    // A box or modal dialog minimized from its own title bar (the manager asked to iconify it, as
    // its minimize button does) while a window on top is up: once the user brings the main window
    // back, as a task bar does, the box is on the screen again, above its window and the window
    // on top, with the keyboard, and Escape closes it. The program is never left blocked with
    // nothing on the screen to answer.
    void minimizedBoxComesBackWithItsWindow_data()
    {
        QTest::addColumn<OnTop>("onTop");
        QTest::addColumn<QString>("box");
        QTest::newRow("close question, strip up") << OnTop::MessageStrip << QStringLiteral("您确定要关闭程序吗?");
        QTest::newRow("下载失败 over the day-price download")
            << OnTop::DayDownload << QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
        QTest::newRow("首选项, alert list up") << OnTop::Alert << QStringLiteral("QDlgOption");
    }

    void minimizedBoxComesBackWithItsWindow()
    {
        QFETCH(OnTop, onTop);
        QFETCH(QString, box);
        bringUp(onTop);
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
                xdotool({"windowminimize", QString::number(id)});
                // (mutter minimizes no dialog.)
                const QString minimized = waitUntil("the box minimized", [&] { return !isShown(id); }, 5000);
                if (!minimized.isEmpty() && !display->is("mutter"))
                    failures << minimized;
                // The program goes down with it, unless the manager keeps it up; then the user brings
                // it back as a task bar does.
                waitUntil("the program minimized", [&] { return !isShown(main); }, 2000);
                xdotool({"windowactivate", QString::number(main)});
                // Above them as the manager stacks them, and on the screen as it paints itself (the
                // close question's 否 icon and the edge of its first glyph show a shade otherwise on
                // the screen than in a grab, already as it first opens: about 1% of its pixels).
                const auto painted = [&modal] { return modal && shareShownOnScreen(modal) >= 0.98; };
                QString back = waitUntil("the box back over its window, with the keyboard", [&] {
                    const QList<WId> order = stackingOrder();
                    const int at = order.indexOf(id);
                    return isShown(id) && isShown(main) && at > order.indexOf(main) && at > order.indexOf(up->winId())
                           && xFocus() == id && modal && modal->isActiveWindow() && painted();
                }, 10000);
                if (!back.isEmpty()) {
                    const QList<WId> order = stackingOrder();
                    failures << back + QStringLiteral(": the box %1, at %2%3; the main window %4, %5; %6; the X focus on %7")
                                           .arg(xWindowState(id).describe(), QString::number(order.indexOf(id)),
                                                painted() ? QString() : QStringLiteral(", not shown whole"),
                                                xWindowState(main).describe(), placeOf("it", window.data(), order),
                                                placeOf(QStringLiteral("the window on top"), up, order))
                                           .arg(xFocus());
                }
                xdotool({"key", "Escape"});
                if (!waitUntil("the box closed by Escape", [&] { return !modal || !modal->isVisible(); }, 5000).isEmpty()) {
                    failures << QStringLiteral("Escape did not close the box");
                    modal->hide();
                }
            });
        });
        watch.start(50);
        if (onTop == OnTop::DayDownload)
            QTimer::singleShot(0, day, [this] { day->findChild<QHttpClient *>()->abort(); });
        else if (onTop == OnTop::MessageStrip)
            QTimer::singleShot(0, window.data(), [this] { window->close(); });
        else
            QTimer::singleShot(0, window.data(), [this] { actionOf(*window, QStringLiteral("首 选 项(&O)"))->trigger(); });
        WAIT_UNTIL("the box seen and closed", done && !isTheBox(QApplication::activeModalWidget()), 60000);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        WAIT_UNTIL("the main window shown", isShown(main), 10000);
    }

    // The day-price download's window minimized from its own title bar while it downloads, the
    // message strip up (which the download's window then stands over): the program goes down
    // with it. The download fails meanwhile, and the user answers its box, brought back with the
    // program where the manager does not show it. Once the program is back, the main window has
    // the keys: its shortcut opens 显示设置.
    void keysAfterAMinimizedDownloadFailed()
    {
        bringUp(OnTop::MessageStrip);
        if (QTest::currentTestFailed())
            return;
        bringUp(OnTop::DayDownload);
        if (QTest::currentTestFailed())
            return;
        const WId main = window->winId();
        WAIT_UNTIL("the day download focused", xFocus() == day->winId(), 10000);
        QVERIFY(xdotool({"windowminimize", QString::number(day->winId())}));
        waitUntil("the program minimized", [&] { return !isShown(main); }, 3000);
        const QString text = QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:5)");
        bool answered = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (answered || !box || box->text() != text || !box->isVisible())
                return;
            answered = true;
            QTimer::singleShot(0, box, [&, box = QPointer<QMessageBox>(box)] {
                const WId id = box->winId();
                if (!waitUntil("the box shown", [&] { return isShown(id); }, 2000).isEmpty())
                    xdotool({"windowactivate", QString::number(main)});
                waitUntil("the box focused", [&] { return xFocus() == id; }, 10000);
                xdotool({"key", "Return"});
                if (!waitUntil("the box answered", [&] { return !box || !box->isVisible(); }, 5000).isEmpty())
                    box->hide();
            });
        });
        watch.start(50);
        QTimer::singleShot(0, day, [this] { day->findChild<QHttpClient *>()->abort(); });
        WAIT_UNTIL("the box answered", answered && !QApplication::activeModalWidget(), 30000);
        if (!isShown(main))
            QVERIFY(xdotool({"windowactivate", QString::number(main)}));
        QString failure =
            waitUntil("the main window back with the keys", [&] { return isShown(main) && xFocus() == main; }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": the X focus on %1").arg(xFocus())));
        QVERIFY(xdotool({"key", "ctrl+d"}));
        failure = waitUntil("显示设置 open", [] {
            QWidget *modal = QApplication::activeModalWidget();
            return modal && modal->inherits("QDlgDisplay") && xFocus() == modal->winId();
        }, 10000);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + QStringLiteral(": the X focus on %1").arg(xFocus())));
        QVERIFY(xdotool({"key", "Escape"}));
        WAIT_UNTIL("显示设置 closed", !QApplication::activeModalWidget(), 10000);
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
                                            .arg(xFocus()).arg(dialog->winId())
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
    }};

MANAGER_TEST_MAIN(TestMinimizedBoxes, QApplication)

#include "tst_minimizedboxes.moc"
