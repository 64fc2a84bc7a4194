// What the login box opens: the proxy settings, the network test, the box for an unregistered
// account and the upgrade stand centred over the login box where the program placed it and
// wherever the user dragged it, on an X display with a window manager, also one slow to frame
// them; the proxy settings refuse a proxy that no request could use, keeping
// what was typed.

#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "managerdisplay.h"
#include "qdlglogin.h"
#include "modalwatcher.h"
#include "qdlgproxy.h"
#include "startup.h"
#include "usersettings.h"
#include "waiting.h"
#include "xwindows.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const ManagerDisplay *display = nullptr;

// Plays a window manager busy at the moment a window titled so shows: stopped as the program
// shows it, before the program asks for it to be mapped, and going on again when told, at the
// latest when the test ends. (Stopped earlier, it would hold up the click that opens the window:
// it replays the clicks on the windows it manages.)
class SlowManager : public QObject
{
public:
    // No manager (null), no stop.
    SlowManager(const ManagerDisplay *manager, const QString &title) : m_manager(manager), m_title(title)
    {
        qApp->installEventFilter(this);
    }
    ~SlowManager() override { resume(); }
    void resume()
    {
        if (m_stopped)
            m_manager->resumeWindowManager();
        m_stopped = false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (m_manager && !m_done && event->type() == QEvent::Show && widget && widget->isWindow()
            && widget->windowTitle() == m_title) {
            m_done = true;
            m_stopped = m_manager->pauseWindowManager();
        }
        return false;
    }

private:
    const ManagerDisplay *m_manager;
    QString m_title;
    bool m_stopped = false;
    bool m_done = false;
};

// Runs an event loop until the window is exposed; false when it was not within 20 s.
bool runUntilExposed(QWidget *window)
{
    class Watcher : public QObject
    {
    public:
        explicit Watcher(QEventLoop *loop) : m_loop(loop) {}

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
                m_loop->quit();
            return false;
        }

    private:
        QEventLoop *m_loop;
    };
    QEventLoop loop;
    Watcher watcher(&loop);
    window->windowHandle()->installEventFilter(&watcher);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!window->windowHandle()->isExposed())
        loop.exec();
    window->windowHandle()->removeEventFilter(&watcher);
    return window->windowHandle()->isExposed();
}

// Runs an event loop until done() holds, as the login box's exec() runs one while the dialogs it
// opens show; false when it did not within the time. QTest::qWait sleeps between its rounds of
// events, and a manager that frames a window meanwhile (kwin tells the frame after mapping it)
// would be seen to have done so at once, as the program, waiting in its loop, does not see it.
template <typename Done>
bool runLoopUntil(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

class TestLoginDialogs : public QObject
{
    Q_OBJECT

    DevServer m_server;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
        installAppFont(getAppDir());
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        setHostIndex(0);
        loadProxyConfig();
    }

    // The proxy switched on with what the user typed, then OK: refused with a word (the dialog
    // stays open with the typed values, nothing saved), or saved.
    void proxyRefusedUnlessUsable_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("box"); // empty: saved
        QTest::addColumn<QString>("focus");
        const QString noHost = "请填写代理服务器地址！", blank = "代理服务器地址不能含有空格！",
                      badPort = "端口应为1到65535之间的数字！";
        QTest::newRow("no host") << true << "" << "8080" << noHost << "edtHost";
        QTest::newRow("blank inside the host") << true << "proxy example.com" << "8080" << blank << "edtHost";
        QTest::newRow("blank around the host") << true << " 127.0.0.1" << "8080" << blank << "edtHost";
        QTest::newRow("letters before the port") << true << "proxy.example.com" << "abc99999" << badPort << "edtPort";
        QTest::newRow("no port") << true << "127.0.0.1" << "" << badPort << "edtPort";
        QTest::newRow("port 0") << true << "127.0.0.1" << "0" << badPort << "edtPort";
        QTest::newRow("port 65536") << true << "127.0.0.1" << "65536" << badPort << "edtPort";
        QTest::newRow("negative port") << true << "127.0.0.1" << "-8080" << badPort << "edtPort";
        // A host a request can reach, whatever the port.
        const QString noHostName = "代理服务器地址应为主机名或IP地址！";
        QTest::newRow("markup for a host") << true << "<b>x</b>" << "8080" << noHostName << "edtHost";
        QTest::newRow("a web address") << true << "http://proxy.example.com" << "8080" << noHostName << "edtHost";
        QTest::newRow("underscore") << true << "my_proxy.example.com" << "8080" << noHostName << "edtHost";
        QTest::newRow("empty label") << true << "proxy..example.com" << "8080" << noHostName << "edtHost";
        QTest::newRow("hyphen ending a label") << true << "proxy-.example.com" << "8080" << noHostName << "edtHost";
        QTest::newRow("label of 64") << true << QString(64, 'a') + ".com" << "8080" << noHostName << "edtHost";
        QTest::newRow("IPv4 part over 255") << true << "10.0.0.256" << "8080" << noHostName << "edtHost";
        QTest::newRow("IPv4 cut short") << true << "127.1" << "8080" << noHostName << "edtHost";
        QTest::newRow("IPv6 in brackets") << true << "[::1]" << "8080" << noHostName << "edtHost";
        QTest::newRow("IPv6 with a stray colon") << true << "fe80:::1" << "8080" << noHostName << "edtHost";
        QTest::newRow("markup for an IPv6 scope") << true << "fe80::1%<b>x</b>" << "8080" << noHostName << "edtHost";
        QTest::newRow("quotes around an IPv6 scope") << true << "fe80::1%'eth0'" << "8080" << noHostName << "edtHost";
        QTest::newRow("empty IPv6 scope") << true << "fe80::1%" << "8080" << noHostName << "edtHost";
        QTest::newRow("IPv6 scope of 16") << true << "fe80::1%" + QString(16, 'e') << "8080" << noHostName << "edtHost";
        QTest::newRow("host name refused before the port") << true << "<b>x</b>" << "abc" << noHostName << "edtHost";
        QTest::newRow("single-label name") << true << "localhost" << "3128" << "" << "";
        QTest::newRow("hyphens and digits") << true << "proxy-2.corp-1.example.com" << "8080" << "" << "";
        QTest::newRow("name ending in a dot") << true << "proxy.example.com." << "8080" << "" << "";
        QTest::newRow("international name") << true << "代理.例子.中国" << "8080" << "" << "";
        QTest::newRow("IPv6 address") << true << "fe80::1" << "8080" << "" << "";
        QTest::newRow("IPv6 scope of an interface name") << true << "fe80::1%eth0" << "8080" << "" << "";
        QTest::newRow("IPv6 scope of an interface number") << true << "fe80::1%2" << "8080" << "" << "";
        QTest::newRow("IPv6 scope of 15") << true << "fe80::1%br-0a1b2c3d4e5f" << "8080" << "" << "";
        QTest::newRow("lowest port") << true << "proxy.example.com" << "1" << "" << "";
        QTest::newRow("highest port") << true << "127.0.0.1" << "65535" << "" << "";
        QTest::newRow("switched off, nothing checked") << false << "" << "abc" << "" << "";
    }

    void proxyRefusedUnlessUsable()
    {
        QFETCH(bool, on);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, box);
        QFETCH(QString, focus);
        QWidget opener;
        QPointer<QDlgProxy> dialog = new QDlgProxy(&opener);
        dialog->show();
        auto *enable = dialog->findChild<QCheckBox *>("chkEnable");
        if (on)
            QTest::mouseClick(enable, Qt::LeftButton, {}, QPoint(5, enable->height() / 2));
        auto *edtHost = dialog->findChild<QLineEdit *>("edtHost");
        auto *edtPort = dialog->findChild<QLineEdit *>("edtPort");
        edtHost->setText(host);
        edtPort->setText(port);
        ModalWatcher boxes;
        QTest::mouseClick(dialog->findChild<QPushButton *>("btnOK"), Qt::LeftButton);
        loadProxyConfig(); // what the settings file holds
        if (box.isEmpty()) {
            QCOMPARE(boxes.count(), 0);
            QVERIFY(dialog.isNull() || !dialog->isVisible());
            QCOMPARE(getProxyEnable(), int(on));
            if (on)
                QCOMPARE(getProxyHost() + ':' + QString::number(getProxyPort()), host + ':' + port);
            return;
        }
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title + '/' + boxes.last().text, "注意/" + box);
        QVERIFY2(!dialog.isNull() && dialog->isVisible(), "the dialog closed on a refused proxy");
        QCOMPARE(edtHost->text() + '|' + edtPort->text(), host + '|' + port);
        QCOMPARE(dialog->focusWidget()->objectName(), focus);
        QCOMPARE(getProxyEnable(), 0);
        QCOMPARE(getProxyPort(), 0);
        delete dialog.data();
    }

    void dialogsCentredOverTheLogin_data()
    {
        QTest::addColumn<QString>("opener"); // the link, or the fault that makes the login open it
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("dragged");     // the user dragged the login box away first
        QTest::addColumn<bool>("slowManager"); // the window manager frames the dialog only later
        const QList<QPair<QString, QString>> dialogs{{"proxy", "代理设置"},
                                                     {"network", "网络测试"},
                                                     {"login_unregistered", "注意"},
                                                     {"old_version", "程序升级"}};
        for (const auto &[opener, title] : dialogs) {
            QTest::addRow("%s where it opened", qPrintable(title)) << opener << title << false << false;
            QTest::addRow("%s dragged, slow window manager", qPrintable(title)) << opener << title << true << true;
        }
    }

    // The login box as main shows it (exec() shows it just so, then waits): placed by the
    // program, clicked and dragged through the X server; where the windows stand is read from
    // the X server, not from Qt's record.
    void dialogsCentredOverTheLogin()
    {
        QFETCH(QString, opener);
        QFETCH(QString, title);
        QFETCH(bool, dragged);
        QFETCH(bool, slowManager);
        // Offscreen, Qt's own centring passes this without a window manager's frame to wait for.
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 ManagerDisplay::needed());
        if (opener != "proxy" && opener != "network")
            QVERIFY(m_server.setFault(opener));
        else if (opener == "network")
            QVERIFY(m_server.setFault("login_empty_msg")); // the failure text links the network test
        QPointer<QDlgLogin> login = new QDlgLogin;
        login->show();
        // An event loop that wakes at each event runs while the window manager frames it, as
        // exec() does in the program; the X utilities are asked only then (waiting on them, or
        // sleeping between looks, would hold Qt back while the manager frames it).
        QVERIFY2(runUntilExposed(login), "the login box never showed");
        const quint64 loginId = login->winId();
        XWindowState box;
        // Busy, kwin may map it at the screen's corner first; the program puts it back at once.
        WAIT_UNTIL("the login box framed where the program placed it",
                   (box = xWindowState(loginId)).framed && box.mapped && box.askedForWhereItStands(), 20000);
        const QRect area = login->screen()->availableGeometry();
        const XWindowState opened = box;
        if (dragged) {
            // By its background, as a user drags the frameless box.
            const QPoint by(-area.width() / 4, -area.height() / 5), to = box.frame.topLeft() + by;
            QVERIFY(xDrag(loginId, QPoint(login->width() / 2, login->height() / 2), by));
            const QString failure = waitUntil("the dragged login box", [&] {
                return (box = xWindowState(loginId)).frame.topLeft() == to;
            }, 20000);
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("%1: it stands at %2, Qt records %3,%4")
                                                       .arg(failure, box.describe())
                                                       .arg(login->frameGeometry().x())
                                                       .arg(login->frameGeometry().y())));
        }
        QVERIFY2(box.askedForWhereItStands(), qPrintable("the login box asked for another place: " + box.describe()));

        auto *status = login->findChild<QLabel *>("lblStatus");
        QPoint linkAt; // where the link that opens the dialog is, in the login box
        if (opener == "proxy") {
            auto *link = login->findChild<QLabel *>("lblProxy");
            linkAt = link->geometry().topLeft() + QPoint(QFontMetrics(link->font()).horizontalAdvance("代") / 2, link->height() / 2);
        } else {
            auto *button = login->findChild<QPushButton *>("btnUserLogin");
            const QPoint buttonAt = button->geometry().center();
            if (opener == "network") {
                QVERIFY(xClick(loginId, buttonAt));
                WAIT_UNTIL("the failure text", status->text().contains("网络测试"), 25000);
                // The link ends the line: its middle is past the plain text before it.
                const QString before = QTextDocumentFragment::fromHtml(status->text()).toPlainText().section("网络测试", 0, 0);
                const QFontMetrics metrics(status->font());
                linkAt = status->geometry().topLeft()
                         + QPoint(metrics.horizontalAdvance(before) + metrics.horizontalAdvance("网络测试") / 2,
                                  status->height() / 2);
                QVERIFY(runXTool("xdotool", {"mousemove", "--window", QString::number(loginId),
                                             QString::number(linkAt.x()), QString::number(linkAt.y())}));
                WAIT_UNTIL("the pointer over the link", status->cursor().shape() == Qt::PointingHandCursor, 10000);
            } else {
                linkAt = buttonAt; // a guest login: the reply opens the dialog
            }
        }

        // The watcher below runs in the dialog's own event loop when it has one.
        QString outcome;
        bool handled = false;
        SlowManager manager(slowManager ? display : nullptr, title);
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (handled || !modal || modal == login || modal->windowTitle() != title || !modal->isVisible())
                return;
            // The X utilities hold the event loop up while they run: asked before the dialog is
            // exposed, they would let the manager tell its frame before the program sees it
            // mapped, which the program, waiting in its loop, does not have (kwin).
            if (!slowManager && !(modal->windowHandle() && modal->windowHandle()->isExposed()))
                return;
            handled = true;
            const quint64 id = modal->winId();
            if (slowManager) {
                const XWindowState early = xWindowState(id);
                if (early.mapped) {
                    outcome = "the window manager framed the dialog while it was stopped: " + early.describe();
                    return;
                }
                manager.resume();
            }
            // Centred through X, and Qt's record the same as the screen: nothing left to move it.
            XWindowState dialog;
            const QString failure = waitUntil(title + " centred over the login box", [&] {
                dialog = xWindowState(id);
                return dialog.framed && dialog.mapped && (dialog.doubleCentre() - box.doubleCentre()).manhattanLength() <= 2
                       && modal->frameGeometry() == dialog.frame;
            }, 20000);
            const auto record = [](const QRect &r) {
                return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            };
            outcome = failure.isEmpty() ? QString()
                                        : QString("%1: %2 stands at %3, the login box at %4; Qt records them at %5 and %6")
                                              .arg(failure, title, dialog.describe(), box.describe(),
                                                   record(modal->frameGeometry()), record(login->frameGeometry()));
            if (outcome.isEmpty() && !dialog.askedForWhereItStands())
                outcome = title + " asked the window manager for another place than where it stands: " + dialog.describe();
            if (auto *shown = qobject_cast<QDialog *>(modal))
                shown->reject();
        });
        watcher.start(20);
        QVERIFY(xClick(loginId, linkAt));
        QVERIFY2(runLoopUntil([&] { return handled; }, 25000), qPrintable("waited 25 s in vain for a dialog titled " + title));
        QVERIFY2(outcome.isEmpty(), qPrintable(outcome));
        QVERIFY2((opened.doubleCentre() - (area.topLeft() * 2 + QPoint(area.width(), area.height()))).manhattanLength() <= 2,
                 qPrintable("the login box did not open centred on the screen: " + opened.describe()));
        delete login.data();
    }
};

MANAGER_TEST_MAIN(TestLoginDialogs, QApplication)
#include "tst_logindialogs.moc"
