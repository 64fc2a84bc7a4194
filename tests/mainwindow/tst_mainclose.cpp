#include "mainwindowtest.h"

#include "globalstate.h"
#include "qwinmain.h"

#include <QDialog>
#include <QSignalSpy>

namespace {

// Whether a thread named "updater" runs in this process (Qt names each QThread after its object);
// the thread may linger a moment after QThread::wait() has returned.
bool engineRuns()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "updater")
            return true;
    }
    return false;
}

int exitFlag()
{
    loadSystemExit();
    return getExitFlag();
}

QWidget *keptDialog(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits(className))
            return widget;
    }
    return nullptr;
}

} // namespace

class TestMainClose : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(prepareMainDatabase(dir)); }

    void closeWaitsForTheEngine()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(exitFlag(), 0);
        QTRY_VERIFY(engineRuns());
        QSignalSpy stops(&window, &QWinMain::stopUpdater);

        // No keeps everything as it was.
        ModalWatcher answerer(QMessageBox::No);
        QVERIFY(!window.close());
        QCOMPARE(shownBoxes(answerer), QStringList("确认|您确定要关闭程序吗?"));
        QVERIFY(window.isVisible());
        QCOMPARE(stops.count(), 0);

        // Yes asks the engine to stop; the window stays until it has stopped, and closing
        // again asks nothing and stops nothing more.
        answerer.setAnswer(QMessageBox::Yes);
        QVERIFY(!window.close());
        QVERIFY(!window.close());
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(stops.count(), 1);

        // The engine's exitSystem() closes the window for good and ends its thread.
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 15000);
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(exitFlag(), 1);
        QTRY_VERIFY(!engineRuns());
    }

    // A parentless kept dialog on screen must not keep the program running.
    void finalCloseEndsTheEventLoop()
    {
        int result = -1;
        {
            QWinMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QWidget *dayDownload = keptDialog("QDlgDownloadDay");
            dayDownload->show();
            ModalWatcher answerer(QMessageBox::Yes);
            QTimer::singleShot(0, &window, &QWidget::close);
            QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(99); });
            result = QApplication::exec();
            QVERIFY(!window.isVisible() && !dayDownload->isVisible());
        }
        QCOMPARE(result, 0);
        QTRY_VERIFY(!engineRuns());
    }

    void destroyingTheWindowEndsARunningEngine()
    {
        {
            QWinMain window;
            QTRY_VERIFY(engineRuns());
        }
        QTRY_VERIFY(!engineRuns());
        QVERIFY(!keptDialog("QDlgDownloadDay") && !keptDialog("QDlgDownloadFile"));
    }

    void keptDialogsSurviveClosing()
    {
        QWinMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QPointer<QDialog>> kept{window.findChild<QDialog *>(QString(), Qt::FindDirectChildrenOnly)};
        for (const char *name : {"QDlgDownloadFile", "QDlgDownloadDay", "QDlgMessage", "QDlgAlert", "QDlgWebview",
                                 "QDlgAnalyst", "QDlgHotRating"})
            kept << qobject_cast<QDialog *>(keptDialog(name));
        for (const QPointer<QDialog> &dialog : kept) {
            QVERIFY(dialog);
            dialog->show();
            dialog->reject();
            dialog->show();
            dialog->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!kept.contains(nullptr));
    }
};

QTEST_MAIN(TestMainClose)
#include "tst_mainclose.moc"
