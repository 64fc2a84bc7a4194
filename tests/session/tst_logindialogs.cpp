// What the login box opens: the proxy settings, the network test, the box for an unregistered
// account and the upgrade stand centred over the login box wherever it was moved, on an X display
// with a window manager; the proxy settings refuse a proxy that no request could use, keeping
// what was typed.

#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "openboxdisplay.h"
#include "qdlglogin.h"
#include "modalwatcher.h"
#include "qdlgproxy.h"
#include "startup.h"
#include "usersettings.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const OpenboxDisplay *display = nullptr;

// Where a window stands: its frame's centre on the screen.
QPoint centreOf(QWidget *window)
{
    return window->frameGeometry().center();
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
        QTest::newRow("letters before the port") << true << "<b>x</b>" << "abc99999" << badPort << "edtPort";
        QTest::newRow("no port") << true << "127.0.0.1" << "" << badPort << "edtPort";
        QTest::newRow("port 0") << true << "127.0.0.1" << "0" << badPort << "edtPort";
        QTest::newRow("port 65536") << true << "127.0.0.1" << "65536" << badPort << "edtPort";
        QTest::newRow("negative port") << true << "127.0.0.1" << "-8080" << badPort << "edtPort";
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
                QCOMPARE(QString("%1:%2").arg(getProxyHost()).arg(getProxyPort()), host + ':' + port);
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
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("title");
        QTest::newRow("proxy settings") << "proxy" << "代理设置";
        QTest::newRow("network test") << "network" << "网络测试";
        QTest::newRow("unregistered account") << "login_unregistered" << "注意";
        QTest::newRow("upgrade") << "old_version" << "程序升级";
    }

    void dialogsCentredOverTheLogin()
    {
        QFETCH(QString, opened);
        QFETCH(QString, title);
        // Offscreen, Qt's own centring passes this without a window manager's frame to wait for.
        QVERIFY2(display->running && QGuiApplication::platformName() == QLatin1String("xcb"),
                 "Xvfb and openbox are needed: see scripts/packages.txt");
        QPointer<QDlgLogin> login = new QDlgLogin;
        login->show();
        QVERIFY2(QTest::qWaitForWindowExposed(login), "the login box never showed");
        // Away from the screen's centre, as a user drags it.
        const QRect area = login->screen()->availableGeometry();
        login->move(area.topLeft() + QPoint(area.width() / 8, area.height() / 8));
        QTRY_VERIFY2(login->frameGeometry().topLeft() == area.topLeft() + QPoint(area.width() / 8, area.height() / 8),
                     "the login box did not move");
        QPoint where, expected;
        bool handled = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (handled || !modal || modal == login || modal->windowTitle() != title || !modal->isVisible())
                return;
            handled = true;
            // A window manager frames the window a moment after it shows: give it that moment.
            (void)QTest::qWaitFor([&] { return (centreOf(modal) - centreOf(login)).manhattanLength() <= 2; }, 5000);
            where = centreOf(modal);
            expected = centreOf(login);
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        });
        watcher.start(20);
        if (opened == "proxy") {
            emit login->findChild<QLabel *>("lblProxy")->linkActivated("showProxyDialog");
        } else if (opened == "network") {
            emit login->findChild<QLabel *>("lblStatus")->linkActivated("showNetworkDialog");
        } else {
            QVERIFY(m_server.setFault(opened));
            login->findChild<QLineEdit *>("edtAccount")->setText("20170101");
            login->findChild<QLineEdit *>("edtPassword")->setText("demo8888");
            QTest::mouseClick(login->findChild<QPushButton *>("btnUserLogin"), Qt::LeftButton);
        }
        QVERIFY2(QTest::qWaitFor([&] { return !where.isNull(); }, 25000), qPrintable("no dialog titled " + title + " came up"));
        QVERIFY2((where - expected).manhattanLength() <= 2,
                 qPrintable(QString("%1 stands at (%2, %3), the login box's centre is (%4, %5)")
                                .arg(title).arg(where.x()).arg(where.y()).arg(expected.x()).arg(expected.y())));
        delete login.data();
    }
};

int main(int argc, char *argv[])
{
    OpenboxDisplay openbox;
    display = &openbox;
    QApplication app(argc, argv);
    TestLoginDialogs test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_logindialogs.moc"
