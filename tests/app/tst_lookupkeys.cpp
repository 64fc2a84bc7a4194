#include "dbconnection.h"
#include "devserver.h"
#include "managerdisplay.h"
#include "waiting.h"
#include "xwindows.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The real program on a display with a window manager, logged in as a guest against the
// stand-in. A user types a stock code over a list or the chart: the first key opens the modal
// stock lookup, and the rest of the code, and the Return or Escape that ends it, follow at once,
// before the window manager has handed the lookup the focus when it is slow (held up here) or
// while the program is too busy to see them (stopped here). Every key must reach the lookup,
// so the list or chart of the code typed opens. Keys go through the X server as typed. On a
// first login (a program of its own) the code and its Return come before the stocks do.

namespace {

const ManagerDisplay *display = nullptr;

// Places in the main window (1066 x 666, frameless).
const QPoint kReportTab(56, 35);
const QPoint kRatingTab(160, 35);
const QPoint kNewest(40, 74);            // the side bar's first entry, "最新" on both tabs
const QPoint kFirstRatingRow(308, 122);
const QPoint kStockEntry(42, 290);       // "个股" in the report tab's side bar
const QPoint kTitleSearch(907, 68);      // the report list's title search field

// How long the window manager or the program is held up after the last key.
const int kHeldUpMs = 400;

enum class Start { ReportList, RatingList, Chart };

} // namespace

Q_DECLARE_METATYPE(Start)

class TestStockLookupKeys : public QObject
{
    Q_OBJECT

    std::unique_ptr<DevServer> m_server;
    QProcess m_program;
    QTemporaryDir m_home;
    quint64 m_window = 0;

    QString programEnded() const
    {
        return m_program.state() == QProcess::NotRunning ? QStringLiteral("the program ended") : QString();
    }

    QString title() const
    {
        QString name;
        runXTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(m_window)}, &name);
        return name.trimmed();
    }

    bool lookupOpen() const { return !xWindowsNamed(QStringLiteral("^代码精灵$")).isEmpty(); }

    QString describe() const
    {
        return QStringLiteral("the main window shows \"%1\"%2")
            .arg(title(), lookupOpen() ? QStringLiteral(", the stock lookup is still open") : QString());
    }

    // Empty once the main window's title matches, else why not.
    QString waitForTitle(const QString &pattern, int timeoutMs = 30000)
    {
        const QRegularExpression expected(pattern);
        const QString failure = waitUntil("a main window titled " + pattern,
                                          [&] { return expected.match(title()).hasMatch() && !lookupOpen(); },
                                          timeoutMs, [this] { return programEnded(); });
        return failure.isEmpty() ? failure : failure + "; " + describe();
    }

    // A chart opened on a stock without day prices fetches them under the modal "更新日线数据..."
    // window, which takes every click and key until they are stored: the next row waits for it.
    QString waitForDayPrices(const QString &code)
    {
        const auto stored = [&] {
            QDirIterator files(m_home.path(), {code}, QDir::Files, QDirIterator::Subdirectories);
            return files.hasNext() && xWindowsNamed(QStringLiteral("^更新日线数据\\.\\.\\.$")).isEmpty();
        };
        const QString failure = waitUntil("the day prices of " + code + " stored", stored, 30000,
                                          [this] { return programEnded(); });
        return failure.isEmpty() ? failure : failure + "; " + describe();
    }

    bool keys(const QStringList &names)
    {
        return runXTool(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                                               QStringLiteral("30")} + names);
    }

    // Process id 0 once the program has ended: kill() would signal the test's own process group.
    bool signalProgram(int signal)
    {
        const qint64 pid = m_program.processId();
        return pid > 0 && ::kill(pid_t(pid), signal) == 0;
    }

    // The program logged in as a guest, its user folders in home; its own temporary folder makes
    // it an instance of its own beside another.
    static QProcessEnvironment programEnvironment(const QTemporaryDir &home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *hook : {"TAMREL_ECHO_MESSAGES", "TAMREL_SCREENSHOT", "TAMREL_LOGIN_SCREENSHOT"})
            env.remove(QString::fromLatin1(hook));
        env.insert(QStringLiteral("TAMREL_AUTOLOGIN"), QStringLiteral("1"));
        env.insert(QStringLiteral("HOME"), home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        return env;
    }

    // The visible windows of that program whose name matches the pattern (xdotool takes a window
    // that meets any one condition unless told all).
    static QList<quint64> windowsOf(const QProcess &program, const QString &pattern)
    {
        QString out;
        runXTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--pid"), QString::number(program.processId()),
                                             QStringLiteral("--name"), pattern}, &out);
        QList<quint64> ids;
        for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            ids << line.trimmed().toULongLong();
        return ids;
    }

    // The list or chart the row starts from, with the main window active.
    void bringUp(Start start)
    {
        switch (start) {
        case Start::ReportList:
            QVERIFY(xClick(m_window, kReportTab) && xClick(m_window, kNewest));
            QVERIFY2(waitForTitle(QStringLiteral(" - 最新报告$")).isEmpty(), qPrintable(describe()));
            break;
        case Start::RatingList:
            QVERIFY(xClick(m_window, kRatingTab) && xClick(m_window, kNewest));
            QVERIFY2(waitForTitle(QStringLiteral(" - 最新评级$")).isEmpty(), qPrintable(describe()));
            break;
        case Start::Chart:
            // The ratings of one stock, then "查看股票走势" from the first row's menu.
            QVERIFY(xClick(m_window, kRatingTab) && xClick(m_window, kNewest));
            QVERIFY(keys({"6", "0", "0", "3", "1", "0", "Return"}));
            QVERIFY2(waitForTitle(QStringLiteral("\\(600310\\.SH\\)的评级$")).isEmpty(), qPrintable(describe()));
            QVERIFY(runXTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"),
                                                         QString::number(m_window), QString::number(kFirstRatingRow.x()),
                                                         QString::number(kFirstRatingRow.y()), QStringLiteral("click"),
                                                         QStringLiteral("3")}));
            QTest::qWait(500);
            QVERIFY(keys({"Down", "Down", "Down", "Down", "Down", "Return"}));
            QVERIFY2(waitForTitle(QStringLiteral("\\[ 600310\\.SH \\]$")).isEmpty(), qPrintable(describe()));
            {
                const QString failure = waitForDayPrices(QStringLiteral("600310.SH"));
                QVERIFY2(failure.isEmpty(), qPrintable(failure));
            }
            break;
        }
        QVERIFY(runXTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                                     QString::number(m_window)}));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(display->running, ManagerDisplay::needed());
        QVERIFY(m_home.isValid());
        m_server = std::make_unique<DevServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));

        m_program.setProcessEnvironment(programEnvironment(m_home));
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(qEnvironmentVariable("TAMREL_PROGRAM"), QStringList());

        QList<quint64> ids;
        QString failure = waitUntil("the main window", [&] { return !(ids = xWindowsNamed("^Tamrel - ")).isEmpty(); },
                                    60000, [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_window = ids.first();
        // The lookup finds what the update engine has stored.
        const QString db = m_home.filePath(QStringLiteral("data/Tamrel/Tamrel/data.s3"));
        const auto stocksStored = [&db] {
            bool stored = false;
            if (QFile::exists(db)) {
                QSqlQuery query(sqliteConnection(QStringLiteral("Check"), db));
                stored = query.exec(QStringLiteral("select count(*) from T_Stock where Stk_Code in "
                                                   "('600309.SH', '600310.SH')"))
                         && query.next() && query.value(0).toInt() == 2;
            }
            closeSqliteConnection(QStringLiteral("Check"));
            return stored;
        };
        failure = waitUntil("the stocks stored by the update engine", stocksStored, 60000,
                            [this] { return programEnded(); });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void cleanup()
    {
        display->resumeWindowManager();
        if (m_program.state() == QProcess::NotRunning)
            return;
        signalProgram(SIGCONT);
        // A lookup left open by a failed row would take the next row's keys.
        for (quint64 lookup : xWindowsNamed(QStringLiteral("^代码精灵$"))) {
            runXTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                                 QString::number(lookup)});
            keys({"Escape"});
        }
        waitUntil("the stock lookup closed", [this] { return !lookupOpen(); }, 10000);
    }

    void cleanupTestCase()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(10000);
        }
    }

    void keysTypedWhileTheLookupOpens_data()
    {
        QTest::addColumn<Start>("start");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("windowManagerHeldUp");
        QTest::addColumn<bool>("programBusy");
        QTest::addColumn<QString>("expected"); // the title the main window ends with

        const QStringList code{"6", "0", "0", "3", "1", "0", "Return"};
        const QString reports = QStringLiteral("股票报告_.*\\(600310\\.SH\\)$");
        QTest::newRow("report list, window manager quick") << Start::ReportList << code << false << false << reports;
        QTest::newRow("report list, window manager held up") << Start::ReportList << code << true << false << reports;
        QTest::newRow("report list, program busy") << Start::ReportList << code << false << true << reports;
        QTest::newRow("report list, both held up") << Start::ReportList << code << true << true << reports;
        QTest::newRow("rating list, window manager held up")
            << Start::RatingList << code << true << false << QStringLiteral("\\(600310\\.SH\\)的评级$");
        QTest::newRow("chart, window manager held up")
            << Start::Chart << QStringList{"6", "0", "0", "3", "0", "9", "Return"} << true << false
            << QStringLiteral("\\[ 600309\\.SH \\]$");
        QTest::newRow("a digit taken back, window manager held up")
            << Start::ReportList << QStringList{"6", "0", "0", "3", "1", "9", "BackSpace", "0", "Return"} << true
            << false << reports;
        // Escape closes the lookup; the code typed after it opens a lookup of its own. (A wait
        // for a title that does not change could end before the program saw the keys.)
        const QStringList escapeThenCode{"6", "0", "0", "3", "Escape", "6", "0", "0", "3", "0", "9", "Return"};
        QTest::newRow("Escape, window manager held up")
            << Start::ReportList << escapeThenCode << true << false << QStringLiteral("股票报告_.*\\(600309\\.SH\\)$");
        QTest::newRow("Escape, program busy")
            << Start::RatingList << escapeThenCode << false << true << QStringLiteral("\\(600309\\.SH\\)的评级$");
        // A second code typed at once after the first one's Return: it opens a lookup of its own,
        // and the list of the last code typed is the one shown.
        const QStringList twoCodes{"6", "0", "0", "3", "0", "9", "Return", "6", "0", "0", "3", "1", "0", "Return"};
        QTest::newRow("two codes, window manager quick") << Start::ReportList << twoCodes << false << false << reports;
        QTest::newRow("two codes, window manager held up") << Start::ReportList << twoCodes << true << false << reports;
        // A stock's initials (同中乳业, "TZRY", the only stock whose spelling holds them) in
        // lower case and in capitals: Shift with a letter is a key combination of its own.
        const QStringList initials{"t", "z", "r", "y", "Return"};
        const QStringList capitals{"shift+t", "shift+z", "shift+r", "shift+y", "Return"};
        QTest::newRow("initials, window manager held up") << Start::ReportList << initials << true << false << reports;
        QTest::newRow("initials in capitals, window manager held up")
            << Start::ReportList << capitals << true << false << reports;
        QTest::newRow("initials in capitals, both held up") << Start::ReportList << capitals << true << true << reports;
        QTest::newRow("initials in capitals and lower case, rating list, window manager held up")
            << Start::RatingList << QStringList{"T", "z", "R", "y", "Return"} << true << false
            << QStringLiteral("\\(600310\\.SH\\)的评级$");
    }

    void keysTypedWhileTheLookupOpens()
    {
        QFETCH(Start, start);
        QFETCH(QStringList, typed);
        QFETCH(bool, windowManagerHeldUp);
        QFETCH(bool, programBusy);
        QFETCH(QString, expected);

        bringUp(start);
        if (QTest::currentTestFailed())
            return;
        if (windowManagerHeldUp)
            QVERIFY(display->pauseWindowManager());
        if (programBusy)
            QVERIFY(signalProgram(SIGSTOP));
        QVERIFY(keys(typed));
        QThread::msleep(kHeldUpMs);
        if (programBusy)
            QVERIFY(signalProgram(SIGCONT));
        QVERIFY(display->resumeWindowManager());

        const QString failure = waitForTitle(expected);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        if (start == Start::Chart) {
            const QString fetched = waitForDayPrices(QStringLiteral("600309.SH"));
            QVERIFY2(fetched.isEmpty(), qPrintable(fetched));
        }
    }

    // "个股" in the side bar opens the lookup empty; the code typed then is the lookup's, not
    // the title search field's, which had the focus. The window manager holds the click up
    // (it focuses on a click, so the click waits for it) and the keys typed behind it reach the
    // program first; or it has let the click through and is slow to show the lookup.
    void keysTypedBehindAClick_data()
    {
        QTest::addColumn<bool>("clickHeldUp");
        QTest::newRow("click held up by the window manager") << true;
        QTest::newRow("click through, window manager held up") << false;
    }

    void keysTypedBehindAClick()
    {
        QFETCH(bool, clickHeldUp);
        bringUp(Start::ReportList);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(xClick(m_window, kTitleSearch));
        if (clickHeldUp) {
            QVERIFY(display->pauseWindowManager());
            QVERIFY(xClick(m_window, kStockEntry));
        } else {
            // The manager lets the click through to the stopped program, then stops itself.
            QVERIFY(signalProgram(SIGSTOP));
            QVERIFY(xClick(m_window, kStockEntry));
            QThread::msleep(kHeldUpMs);
            QVERIFY(display->pauseWindowManager());
            QVERIFY(signalProgram(SIGCONT));
            const QString opened = waitUntil("the lookup made", [] {
                return !xWindowsNamed(QStringLiteral("^代码精灵$"), false).isEmpty();
            }, 30000, [this] { return programEnded(); });
            QVERIFY2(opened.isEmpty(), qPrintable(opened));
        }
        QVERIFY(keys({"6", "0", "0", "3", "1", "0", "Return"}));
        QThread::msleep(kHeldUpMs);
        QVERIFY(display->resumeWindowManager());
        const QString failure = waitForTitle(QStringLiteral("股票报告_.*\\(600310\\.SH\\)$"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // A first login whose first sync did not bring the stocks (the stand-in refused them): the
    // code and its Return typed over the newest reports as soon as they show find the lookup
    // waiting for the stocks. The engine fetches them again in its next sync, a minute later,
    // and the reports of the code typed then open without another key.
    void codeAndReturnBeforeTheStocks()
    {
        DevServer server({QStringLiteral("http_404@/oss/dat/STK.DAT")});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir home;
        QVERIFY(home.isValid() && QDir(home.path()).mkdir(QStringLiteral("tmp")));
        QProcessEnvironment env = programEnvironment(home);
        env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(qEnvironmentVariable("TAMREL_PROGRAM"), QStringList());
        const auto end = qScopeGuard([&program] {
            program.kill();
            program.waitForFinished(10000);
        });
        const auto ended = [&program] {
            return program.state() == QProcess::NotRunning ? QStringLiteral("the program ended") : QString();
        };

        QList<quint64> windows;
        QString failure = waitUntil("the newest reports of the first login", [&] {
            return !(windows = windowsOf(program, QStringLiteral("^Tamrel - 最新报告$"))).isEmpty();
        }, 60000, ended);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const auto stocksRefused = [&server] {
            for (const QJsonObject &request : server.requestLog()) {
                if (request.value("path").toString() == QLatin1String("/oss/dat/STK.DAT"))
                    return request.value("status").toInt() == 404;
            }
            return false;
        };
        failure = waitUntil("the stocks refused in the first sync", stocksRefused, 60000, ended);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));

        QVERIFY(runXTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                                     QString::number(windows.first())}));
        QVERIFY(keys({"6", "0", "0", "3", "0", "9", "Return"}));
        failure = waitUntil("the lookup waiting for the stocks",
                            [&] { return !windowsOf(program, QStringLiteral("^代码精灵$")).isEmpty(); }, 30000, ended);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(server.setFault(QStringLiteral("http_404"), false));

        QString shown;
        const QRegularExpression expected(QStringLiteral("股票报告_.*\\(600309\\.SH\\)$"));
        failure = waitUntil("the reports of 600309.SH once the stocks came", [&] {
            runXTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(windows.first())}, &shown);
            return expected.match(shown.trimmed()).hasMatch() && windowsOf(program, QStringLiteral("^代码精灵$")).isEmpty();
        }, 150000, ended);
        QVERIFY2(failure.isEmpty(), qPrintable(failure + "; the main window shows " + shown.trimmed()
                                               + (windowsOf(program, QStringLiteral("^代码精灵$")).isEmpty()
                                                      ? QString() : QStringLiteral(", the lookup is still open"))));
    }
};

MANAGER_TEST_MAIN(TestStockLookupKeys, QCoreApplication)

#include "tst_lookupkeys.moc"
