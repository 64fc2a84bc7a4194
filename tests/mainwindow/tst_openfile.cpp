#include "mainwindowtest.h"

#include "devserver.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qdlgdownloadfile.h"
#include "qwinmain.h"
#include "qwinreportlist.h"
#include "recordingprogram.h"
#include "reportlistcolumns.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "urlcatcher.h"
#include "waiting.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QScreen>
#include <QTableWidget>
#include <QWindow>

class TestOpenFile : public QObject
{
    Q_OBJECT

    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    QDlgDownloadFile *download = nullptr;
    QString reportId;
    QByteArray originalPath;

    QString readerLog() const { return dir.filePath(QStringLiteral("reader.log")); }

    int requestsFor(const QString &id) const { return requestsForReport(server, id); }

    // The report list's row of a report, -1 when it is not on the page.
    int rowOf(QTableWidget *table, const QString &id) const
    {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, reportlist::ColDate)->data(reportlist::RoleId).toString() == id)
                return row;
        }
        return -1;
    }

    // A double-click as Qt delivers it to the window (press, release, double-click, release) on
    // the report's title.
    bool doubleClickTitle(QTableWidget *table, const QString &id)
    {
        QWidget *title = table->cellWidget(rowOf(table, id), reportlist::ColTitle);
        const QPoint at = title ? title->mapTo(window.data(), title->rect().center()) : QPoint();
        if (!title || window->childAt(at) != title)
            return false;
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, at);
        return true;
    }

private slots:
    void initTestCase()
    {
        // Downloads go to the stand-in, with a session as the login leaves it.
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
        reportId = server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
        originalPath = qgetenv("PATH");
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("files/with blank"))));
        QVERIFY(writeRecordingProgram(dir.filePath(QStringLiteral("bin/FoxitReader.exe")), readerLog()));
        window.reset(new QWinMain);
        QVERIFY(showExposed(*window));
        download = qobject_cast<QDlgDownloadFile *>(topLevelOf("QDlgDownloadFile"));
        QVERIFY(download);
    }

    void decisions_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size"); // -1: no file
        // R: the reader is on PATH, H: a handler for file URLs, 1: Option/PdfReader 1,
        // D: a download is running, F: the download dialog hands the file over
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("pdf to the reader") << "a.pdf" << 10 << "RH" << "reader";
        QTest::newRow("path with a blank reaches the reader whole") << "with blank/b c.pdf" << 10 << "RH" << "reader";
        QTest::newRow("no reader: system handler") << "a.pdf" << 10 << "H" << "handler";
        QTest::newRow("no reader, no handler") << "a.pdf" << 10 << "" << "注意|您没有安装可打开pdf类型文件的程序！";
        QTest::newRow("upper-case PDF goes to the handler") << "A.PDF" << 10 << "RH" << "handler";
        QTest::newRow("system reader chosen") << "a.pdf" << 10 << "1RH" << "handler";
        QTest::newRow("other type") << "a.doc" << 10 << "RH" << "handler";
        QTest::newRow("other type, no handler") << "a.doc" << 10 << "R" << "注意|您没有安装可打开doc类型文件的程序！";
        QTest::newRow("missing: downloaded, then opened") << "m.pdf" << -1 << "RH" << "download";
        QTest::newRow("empty: removed, downloaded, then opened") << "e.pdf" << 0 << "RH" << "download";
        QTest::newRow("missing while downloading: refused") << "m.pdf" << -1 << "RHD" << "注意|上一份报告仍在下载，请稍后再试！";
        QTest::newRow("empty while downloading: removed, refused") << "e.pdf" << 0 << "RHD"
                                                                   << "注意|上一份报告仍在下载，请稍后再试！";
        QTest::newRow("downloaded file empty: told") << "e.pdf" << 0 << "RHDF" << "注意|下载的报告文件为空，无法打开！";
        QTest::newRow("downloaded file opened") << "d.pdf" << 10 << "RHDF" << "reader";
    }

    void decisions()
    {
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(QString, setup);
        QFETCH(QString, outcome);
        const QString path = dir.filePath(QStringLiteral("files/") + file);
        QFile::remove(path);
        QFile::remove(readerLog());
        QFile content(path);
        QVERIFY(size < 0 || (content.open(QIODevice::WriteOnly) && content.write(QByteArray(size, 'x')) == size && content.flush()));
        setPdfReader(setup.contains('1') ? 1 : 0);
        qputenv("PATH", setup.contains('R') ? QFile::encodeName(dir.filePath("bin")) + ':' + originalPath : originalPath);
        UrlCatcher catcher;
        if (setup.contains('H'))
            QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        else
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        download->setVisible(setup.contains('D'));
        download->move(1, 1);
        ModalWatcher answerer;

        if (setup.contains('F'))
            emit download->openFile(reportId, path);
        else
            window->openFile(reportId, path);

        if (outcome == QLatin1String("download")) {
            // Centred in the available area, the dialog stores the file and hands it back, and the copy opens.
            QCOMPARE(download->pos(), placedPosition(window->screen()->availableGeometry(),
                                                     download->frameGeometry().size(), Qt::AlignCenter));
            WAIT_UNTIL("the reader started on the downloaded file", QFile::exists(readerLog()), 30000);
            QVERIFY(!download->isVisible() && QFileInfo(path).size() > 0);
        } else if (outcome == QLatin1String("reader")) {
            WAIT_UNTIL("the reader started", QFile::exists(readerLog()), 20000);
        } else {
            // A reader started by mistake would have written its log by now.
            QTest::qWait(200);
            QVERIFY(!QFile::exists(readerLog()));
            QCOMPARE(download->isVisible(), setup.contains('D'));
            QCOMPARE(download->pos(), QPoint(1, 1));
        }
        QFile log(readerLog());
        QVERIFY(!log.exists() || (log.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(log.readAll()) == path + '\n'));
        QCOMPARE(catcher.urls, outcome == QLatin1String("handler") ? QList<QUrl>{QUrl::fromLocalFile(path)} : QList<QUrl>());
        QCOMPARE(answerer.count(), outcome.contains('|') ? 1 : 0);
        QCOMPARE(answerer.last().title + '|' + answerer.last().text, outcome.contains('|') ? outcome : "|");
        if (size == 0 && outcome != QLatin1String("download"))
            QVERIFY(!QFile::exists(path));
        download->hide();
    }

    // A second report asked for while one downloads is refused with a message, whether the
    // download's dialog is on screen or hidden; Escape stops that download at once, without a
    // box (the user's cancel is no failure), and the next report is then fetched and stored
    // under its own name. The engine's requests share the stand-in's log: only each report's
    // own count.
    void escapeStopsTheDownloadBeforeTheNext()
    {
        const QJsonObject files = server.manifest().value("facts").toObject().value("reportFiles").toObject();
        const QString pdf = files.value("PDF").toString(), doc = files.value("DOC").toString();
        const QString first = dir.filePath(QStringLiteral("files/first.pdf"));
        const QString second = dir.filePath(QStringLiteral("files/second.doc"));
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        server.clearRequestLog();
        window->openFile(pdf, first);
        WAIT_UNTIL("the report's address and file asked for", requestsFor(pdf) == 2, 30000);
        ModalWatcher boxes;
        QVERIFY(download->isVisible());
        window->openFile(doc, second);
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title + '|' + boxes.last().text, QStringLiteral("注意|上一份报告仍在下载，请稍后再试！"));
        download->hide();
        window->openFile(doc, second);
        QTRY_COMPARE(boxes.count(), 2);
        QCOMPARE(boxes.last().text, QStringLiteral("上一份报告仍在下载，请稍后再试！"));
        QVERIFY(!download->isVisible());
        QTest::qWait(200);
        QCOMPARE(requestsFor(doc), 0);

        download->show();
        QTest::keyClick(download, Qt::Key_Escape);
        QCOMPARE(boxes.count(), 2);
        QVERIFY(!download->isVisible() && !download->isDownloading());
        QVERIFY(server.resetFaults());
        window->openFile(doc, second);
        WAIT_UNTIL("the next report opened", !catcher.urls.isEmpty(), 30000);
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(second)});
        QVERIFY(!QFile::exists(first) && QFileInfo(second).size() > 0);
        QCOMPARE(requestsFor(pdf), 2);
        QCOMPARE(requestsFor(doc), 2);
    }

    // A double-click on a report's title asks for it once: it is fetched and opens once, and
    // then opens once from the disk. While it is on its way, the same report asked for again is
    // dropped without a word; another report is refused with a message.
    void doubleClickOnATitle()
    {
        const QJsonObject files = server.manifest().value("facts").toObject().value("reportFiles").toObject();
        const QString pdf = files.value("PDF").toString(), doc = files.value("DOC").toString();
        // Once the engine has brought these reports in, so that it leaves the fixture's rows alone.
        const auto imported = [&] {
            QSqlQuery q(mainDatabase());
            q.prepare(QStringLiteral("select count(*) from T_Report where Rpt_ID in (?, ?)"));
            q.addBindValue(pdf);
            q.addBindValue(doc);
            return q.exec() && q.next() && q.value(0).toInt() == 2;
        };
        WAIT_UNTIL("the engine's import of the reports", imported(), 180000);
        QVERIFY(mainDatabase().transaction());
        QVERIFY(execSql(QStringLiteral("delete from T_Report where Rpt_ID in (?, ?)"), {pdf, doc}));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QVERIFY(insertReport({pdf.toLongLong(), today + " 09:41:05", "", "双击证券", "", "银行业周报", "", "", ""}));
        FixtureReport other{doc.toLongLong(), today + " 09:41:04", "", "双击证券", "", "钢铁行业点评", "", "", ""};
        other.type = QStringLiteral("DOC");
        QVERIFY(insertReport(other));
        QVERIFY(mainDatabase().commit());
        window->resize(1280, 760); // wide enough for the title column
        window->showReportListOfInst(QStringLiteral("双击证券"));
        auto *table = window->findChild<QWinReportList *>()->findChild<QTableWidget *>();
        QVERIFY(table->isVisible() && rowOf(table, pdf) >= 0 && rowOf(table, doc) >= 0);
        const QString path = getLocalFilePath(table->item(rowOf(table, pdf), reportlist::ColDate)
                                                  ->data(reportlist::RoleFileName).toString());
        QFile::remove(path);
        setPdfReader(1);
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        ModalWatcher boxes;
        QVERIFY(server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
        server.clearRequestLog();

        // A slow server: the file stays on its way.
        QVERIFY(doubleClickTitle(table, pdf));
        WAIT_UNTIL("the report's address and file asked for", requestsFor(pdf) == 2, 30000);
        QVERIFY(download->isVisible());
        QVERIFY(doubleClickTitle(table, pdf));
        QCOMPARE(boxes.count(), 0);
        QVERIFY(doubleClickTitle(table, doc));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title + '|' + boxes.last().text, QStringLiteral("注意|上一份报告仍在下载，请稍后再试！"));
        QTest::keyClick(download, Qt::Key_Escape);
        QVERIFY(!download->isDownloading());

        // A quick one: fetched, opened; then from the disk.
        QVERIFY(server.resetFaults());
        QVERIFY(doubleClickTitle(table, pdf));
        WAIT_UNTIL("the report opened", !catcher.urls.isEmpty() && !download->isVisible(), 30000);
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(doubleClickTitle(table, pdf));
        QCOMPARE(catcher.urls, (QList<QUrl>{QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)}));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(requestsFor(pdf), 4);
        QCOMPARE(requestsFor(doc), 0);
    }
};

QTEST_MAIN(TestOpenFile)
#include "tst_openfile.moc"
