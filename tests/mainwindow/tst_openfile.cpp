#include "mainwindowtest.h"

#include "standinsession.h"
#include "devserver.h"
#include "globalstate.h"
#include "qdlgdownloadfile.h"
#include "qwinmain.h"
#include "startup.h"

#include <QDesktopServices>
#include <QFile>
#include <QScreen>
#include <QUrl>

namespace {

class UrlCatcher : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { urls << url; }

public:
    QList<QUrl> urls;
};

QDlgDownloadFile *downloadDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDlgDownloadFile *>(widget))
            return dialog;
    return nullptr;
}

} // namespace

class TestOpenFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Downloads go to the stand-in, with a session as the login leaves it.
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(prepareMainDatabase(dir));
        QVERIFY(openStandInSession());
        reportId = server.manifest()
                       .value(QStringLiteral("facts"))
                       .toObject()
                       .value(QStringLiteral("reportFiles"))
                       .toObject()
                       .value(QStringLiteral("PDF"))
                       .toString();
        QVERIFY(!reportId.isEmpty());
        originalPath = qgetenv("PATH");
        // A stand-in reader that writes the arguments it was started with.
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("bin"))));
        QFile reader(dir.filePath(QStringLiteral("bin/FoxitReader.exe")));
        QVERIFY(reader.open(QIODevice::WriteOnly));
        reader.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$TAMREL_READER_LOG.tmp\"\n"
                     "mv \"$TAMREL_READER_LOG.tmp\" \"$TAMREL_READER_LOG\"\n");
        reader.close();
        QVERIFY(reader.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner));
        readerLog = dir.filePath(QStringLiteral("reader.log"));
        qputenv("TAMREL_READER_LOG", QFile::encodeName(readerLog));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("files/with blank"))));
        window.reset(new QWinMain);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.data()));
        QVERIFY(downloadDialog());
    }

    void cleanupTestCase()
    {
        window.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        qputenv("PATH", originalPath);
        setPdfReader(0);
    }

    void decisions_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size"); // -1: no file
        QTest::addColumn<int>("pdfReader");
        QTest::addColumn<bool>("readerOnPath");
        QTest::addColumn<bool>("handler");
        QTest::addColumn<bool>("downloading");
        QTest::addColumn<bool>("fromDownload");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("pdf to the reader")
            << "a.pdf" << 10 << 0 << true << true << false << false << "reader";
        QTest::newRow("path with a blank reaches the reader whole")
            << "with blank/b c.pdf" << 10 << 0 << true << true << false << false << "reader";
        QTest::newRow("no reader: system handler")
            << "a.pdf" << 10 << 0 << false << true << false << false << "handler";
        QTest::newRow("no reader, no handler")
            << "a.pdf" << 10 << 0 << false << false << false << false
            << "注意|您没有安装可打开pdf类型文件的程序！";
        QTest::newRow("upper-case PDF goes to the handler")
            << "A.PDF" << 10 << 0 << true << true << false << false << "handler";
        QTest::newRow("system reader chosen")
            << "a.pdf" << 10 << 1 << true << true << false << false << "handler";
        QTest::newRow("system reader chosen, no handler")
            << "a.pdf" << 10 << 1 << true << false << false << false
            << "注意|您没有安装可打开pdf类型文件的程序！";
        QTest::newRow("other type") << "a.doc" << 10 << 0 << true << true << false << false
                                    << "handler";
        QTest::newRow("other type, no handler")
            << "a.doc" << 10 << 0 << true << false << false << false
            << "注意|您没有安装可打开doc类型文件的程序！";
        QTest::newRow("no dot: the whole path stands for the type")
            << "noext" << 10 << 0 << true << false << false << false
            << "注意|您没有安装可打开noext类型文件的程序！";
        QTest::newRow("missing: downloaded, then opened")
            << "m.pdf" << -1 << 0 << true << true << false << false << "download";
        QTest::newRow("empty: removed, downloaded, then opened")
            << "e.pdf" << 0 << 0 << true << true << false << false << "download";
        QTest::newRow("missing while downloading: dropped")
            << "m.pdf" << -1 << 0 << true << true << true << false << "dropped";
        QTest::newRow("empty while downloading: removed, dropped")
            << "e.pdf" << 0 << 0 << true << true << true << false << "dropped";
        QTest::newRow("downloaded file empty: told")
            << "e.pdf" << 0 << 0 << true << true << true << true
            << "注意|下载的报告文件为空，无法打开！";
        QTest::newRow("downloaded file opened")
            << "d.pdf" << 10 << 0 << true << true << true << true << "reader";
    }

    void decisions()
    {
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(int, pdfReader);
        QFETCH(bool, readerOnPath);
        QFETCH(bool, handler);
        QFETCH(bool, downloading);
        QFETCH(bool, fromDownload);
        QFETCH(QString, outcome);

        // The test's folders hold dots, so a path without any is a relative one.
        QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("files"))));
        const QString path = file.contains(QLatin1Char('.'))
                                 ? dir.filePath(QStringLiteral("files/") + file)
                                 : file;
        QFile::remove(path);
        QFile::remove(readerLog);
        if (size >= 0) {
            QFile content(path);
            QVERIFY(content.open(QIODevice::WriteOnly));
            content.write(QByteArray(size, 'x'));
        }
        setPdfReader(pdfReader);
        qputenv("PATH", readerOnPath ? QFile::encodeName(dir.filePath(QStringLiteral("bin")))
                                           + ':' + originalPath
                                     : originalPath);
        UrlCatcher catcher;
        if (handler)
            QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
        else
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDlgDownloadFile *download = downloadDialog();
        download->hide();
        const QPoint elsewhere(1, 1);
        if (downloading) {
            download->show();
            download->move(elsewhere);
        }
        const QPoint centred = centredPosition(window->screen()->availableGeometry(),
                                               download->frameGeometry().size());
        MessageBoxAnswerer answerer;

        if (fromDownload)
            emit download->openFile(reportId, path);
        else
            window->openFile(reportId, path);

        QStringList boxes = answerer.boxes;
        if (outcome == QLatin1String("reader")) {
            QTRY_VERIFY(QFile::exists(readerLog));
            QFile log(readerLog);
            QVERIFY(log.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromLocal8Bit(log.readAll()), path + QLatin1Char('\n'));
            QVERIFY(catcher.urls.isEmpty());
            QVERIFY(boxes.isEmpty());
        } else if (outcome == QLatin1String("handler")) {
            QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(path)}));
            QVERIFY(boxes.isEmpty());
        } else if (outcome == QLatin1String("download")) {
            QVERIFY(download->isVisible());
            QCOMPARE(download->pos(), centred);
            // The dialog stores the file and hands it back, and the copy opens.
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(readerLog), 30000);
            QVERIFY(!download->isVisible());
            QVERIFY(QFileInfo(path).size() > 0);
            QFile log(readerLog);
            QVERIFY(log.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromLocal8Bit(log.readAll()), path + QLatin1Char('\n'));
            QVERIFY(answerer.boxes.isEmpty());
        } else if (outcome == QLatin1String("dropped")) {
            QVERIFY(download->isVisible());
            QCOMPARE(download->pos(), elsewhere);
            QVERIFY(boxes.isEmpty());
        } else {
            QCOMPARE(boxes, QStringList(outcome));
            if (downloading)
                QCOMPARE(download->pos(), elsewhere);
        }
        if (outcome != QLatin1String("handler"))
            QVERIFY(catcher.urls.isEmpty());
        if (size == 0 && outcome != QLatin1String("download"))
            QVERIFY(!QFile::exists(path));
        if (outcome != QLatin1String("reader") && outcome != QLatin1String("download")
            && readerOnPath) {
            // A reader started by mistake would have written its log by now.
            QTest::qWait(200);
            QVERIFY(!QFile::exists(readerLog));
        }
        download->hide();
    }

private:
    DevServer server;
    QTemporaryDir dir;
    QScopedPointer<QWinMain> window;
    QString reportId;
    QByteArray originalPath;
    QString readerLog;
};

QTEST_MAIN(TestOpenFile)
#include "tst_openfile.moc"
