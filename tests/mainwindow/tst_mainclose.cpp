#include "mainwindowtest.h"

#include "globalstate.h"
#include "qdlgdownloadday.h"
#include "qwinmain.h"
#include "usersettings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

namespace {

// Names of this process's threads (Qt names each QThread after its object name).
QStringList threadNames()
{
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).trimmed();
    }
    return names;
}

int exitFlag()
{
    loadSystemExit();
    return getExitFlag();
}

QWidget *keptDialog(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits(className))
            return widget;
    return nullptr;
}

} // namespace

class TestMainClose : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(prepareMainDatabase(dir));
    }

    void closeWaitsForTheEngine()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(exitFlag(), 0);
        QTRY_VERIFY(threadNames().contains(QStringLiteral("updater")));
        QSignalSpy stops(&window, &QWinMain::stopUpdater);

        // No keeps everything as it was, and the next close asks again.
        MessageBoxAnswerer answerer(QMessageBox::No);
        QVERIFY(!window.close());
        QCOMPARE(answerer.boxes, QStringList(QStringLiteral("确认|您确定要关闭程序吗?")));
        QVERIFY(window.isVisible());
        QCOMPARE(stops.count(), 0);

        // Yes asks the engine to stop; the window stays until the engine has stopped.
        answerer.setAnswer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QCOMPARE(answerer.boxes.size(), 2);
        QCOMPARE(stops.count(), 1);
        QVERIFY(window.isVisible());

        // Closing again asks nothing and stops nothing more.
        QVERIFY(!window.close());
        QCOMPARE(answerer.boxes.size(), 2);
        QCOMPARE(stops.count(), 1);

        // The engine's exitSystem() closes the window for good and ends its thread.
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 15000);
        QCOMPARE(answerer.boxes.size(), 2);
        QCOMPARE(stops.count(), 1);
        QCOMPARE(exitFlag(), 1);
        QTRY_VERIFY(!threadNames().contains(QStringLiteral("updater")));
    }

    void exitSystemClosesWithoutAQuestion()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageBoxAnswerer answerer(QMessageBox::No);
        window.exitSystem();
        QVERIFY(!window.isVisible());
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(exitFlag(), 1);
    }

    void finalCloseEndsTheEventLoop()
    {
        int result = -1;
        {
            QWinMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            // A parentless kept dialog on screen must not keep the program running.
            QWidget *dayDownload = keptDialog("QDlgDownloadDay");
            QVERIFY(dayDownload);
            dayDownload->show();
            MessageBoxAnswerer answerer(QMessageBox::Yes);
            QTimer::singleShot(0, &window, &QWidget::close);
            QTimer watchdog;
            watchdog.setSingleShot(true);
            connect(&watchdog, &QTimer::timeout, qApp, []() { QCoreApplication::exit(99); });
            watchdog.start(30000);
            result = QApplication::exec();
            QVERIFY(!window.isVisible());
            QVERIFY(!dayDownload->isVisible());
        }
        QCOMPARE(result, 0);
        QVERIFY(!threadNames().contains(QStringLiteral("updater")));
    }

    void destroyingTheWindowEndsARunningEngine()
    {
        {
            QWinMain window;
            QTRY_VERIFY(threadNames().contains(QStringLiteral("updater")));
        }
        QVERIFY(!threadNames().contains(QStringLiteral("updater")));
        QVERIFY(!keptDialog("QDlgDownloadDay"));
        QVERIFY(!keptDialog("QDlgDownloadFile"));
    }

    void keptDialogsSurviveClosing()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QPointer<QDialog>> kept;
        for (const char *name : {"QDlgDownloadFile", "QDlgDownloadDay", "QDlgMessage", "QDlgAlert",
                                 "QDlgWebview", "QDlgAnalyst", "QDlgHotRating"})
            kept << qobject_cast<QDialog *>(keptDialog(name));
        kept << window.findChild<QDialog *>(QString(), Qt::FindDirectChildrenOnly);
        for (const QPointer<QDialog> &dialog : kept) {
            QVERIFY(dialog);
            dialog->show();
            dialog->reject();
            dialog->show();
            dialog->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const QPointer<QDialog> &dialog : kept)
            QVERIFY(dialog);
    }

    void timedOutSessionIsReported()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MessageBoxAnswerer answerer;
        window.showOuttimeDialog();
        QCOMPARE(answerer.boxes, QStringList(QStringLiteral("注意|登录超时，请重新登录！")));
        QVERIFY(window.isVisible());
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestMainClose)
#include "tst_mainclose.moc"
