// Every text of the session's dialogs fits its control at the program's font and with its style
// sheet: as the dialogs first show, and with the results and failures the network test and the
// upgrade write into them.

#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "qdlgbulletin.h"
#include "qdlgdownloadfile.h"
#include "qdlglogin.h"
#include "qdlgnetwork.h"
#include "qdlgproxy.h"
#include "qdlgshare.h"
#include "qdlgupgrade.h"
#include "startup.h"
#include "textsfit.h"
#include "usersettings.h"

#include <QJsonObject>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

class TestSessionTextsFit : public QObject
{
    Q_OBJECT

    DevServer m_server;

    // Clicks the button and waits until both buttons can be pressed again: the step has ended.
    static bool runStep(QDialog *dialog, const char *start, const char *other)
    {
        auto *button = dialog->findChild<QPushButton *>(start);
        auto *second = dialog->findChild<QPushButton *>(other);
        QTest::mouseClick(button, Qt::LeftButton);
        return QTest::qWaitFor([&] { return button->isEnabled() && second->isEnabled(); }, 40000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        loadOptionConfig();
        installAppFont(getAppDir());
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        QCOMPARE(getAppFont().pointSize(), 11);
    }

    void init()
    {
        QVERIFY(m_server.resetFaults());
        loadDefaultConfig();
        disableProxy();
        qputenv("TAMREL_LOOKUP_HOST", "localhost");
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        QFile::remove(desktop);
        QDir(desktop).removeRecursively();
    }

    // state: what is done before measuring ("" for the dialog as it first shows).
    void everyText_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("state");
        for (const char *name : {"QDlgLogin", "QDlgProxy", "QDlgNetwork", "QDlgUpgrade", "QDlgBulletin",
                                 "QDlgDownloadFile", "QDlgShare"})
            QTest::newRow(name) << QString(name) << QString();
        QTest::newRow("network test, service refuses") << "QDlgNetwork" << "http_500@/user/verify";
        QTest::newRow("network test, proxy not there") << "QDlgNetwork" << "proxy";
        QTest::newRow("network test, name not found") << "QDlgNetwork" << "lookup";
        QTest::newRow("upgrade, no package") << "QDlgUpgrade" << "name";
        QTest::newRow("upgrade, HTTP error") << "QDlgUpgrade" << "http_500@/oss/dwn";
        QTest::newRow("upgrade, desktop is a file") << "QDlgUpgrade" << "desktop";
    }

    void everyText()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, state);
        if (state.contains('@'))
            QVERIFY(m_server.setFault(state.section('@', 0, 0), true, state.section('@', 1)));
        if (state == "proxy") // a port nobody listens on
            setProxy("127.0.0.1", 1, QString(), QString());
        if (state == "lookup")
            qputenv("TAMREL_LOOKUP_HOST", "no-such-host.invalid");
        if (dialog == "QDlgUpgrade")
            setUpgradeFileName(state == "name" ? QString()
                                               : m_server.manifest().value("facts").toObject().value("upgradeFile").toString());
        if (state == "desktop")
            QVERIFY(QFile(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)).open(QIODevice::WriteOnly));
        const QMap<QString, std::function<QDialog *()>> make{
            {"QDlgLogin", [] { return new QDlgLogin; }},
            {"QDlgProxy", [] { return new QDlgProxy; }},
            {"QDlgNetwork", [] { return new QDlgNetwork; }},
            {"QDlgUpgrade", [] { return new QDlgUpgrade; }},
            {"QDlgBulletin", [] { return new QDlgBulletin; }},
            {"QDlgDownloadFile", [] { return new QDlgDownloadFile; }},
            {"QDlgShare", [] { return new QDlgShare; }}};
        QPointer<QDialog> shown(make.value(dialog)());
        shown->show();
        QVERIFY2(QTest::qWaitForWindowExposed(shown), "the dialog never showed");
        if (dialog == "QDlgNetwork" && !state.isEmpty())
            QVERIFY2(runStep(shown, "btnTest", "btnClose"), "the network test did not end within 40 s");
        if (dialog == "QDlgUpgrade" && !state.isEmpty())
            QVERIFY2(runStep(shown, "btnDownload", "btnClose"), "the upgrade download did not end within 40 s");
        const QStringList cut = textsCut(shown);
        delete shown.data();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
    }
};

QTEST_MAIN(TestSessionTextsFit)
#include "tst_textsfit.moc"
