#include "defaultconfig.h"
#include "devserver.h"
#include "globalstate.h"
#include "modalwatcher.h"
#include "qdlgdownloadfile.h"
#include "serviceapi.h"
#include "standinsession.h"
#include "usersettings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Files in the folder other than the ones named.
QStringList strayFiles(const QString &dir, const QStringList &expected = QStringList())
{
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

// Writes beyond the limit fail inside this process (as on a full disk) until it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class TestDownloadFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storesTheReportUnderTheCallersName_data();
    void storesTheReportUnderTheCallersName();
    void overwritesAnExistingFile();
    void failuresShowTheirBoxAndWriteNothing_data();
    void failuresShowTheirBoxAndWriteNothing();
    void folderThatCannotBeMade();
    void fileThatCannotBeOpened();
    void shortWriteKeepsTheOldFileAndAnnouncesNothing();
    void closingDuringTheTransferAbortsIt();

private:
    struct Outcome
    {
        int boxes = 0;
        ModalWatcher::Box box;
        QList<QVariantList> opened;
    };
    Outcome download(const QString &id, const QString &path, int timeoutMs = 30000);
    QString reportPath(const QString &id);
    QString pdfId() const;

    DevServer m_server;
};

void TestDownloadFile::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    loadOptionConfig();
    loadProxyConfig();
    QCOMPARE(getProxyEnable(), 0);
    QVERIFY(openStandInSession());
}

void TestDownloadFile::init()
{
    QVERIFY(m_server.resetFaults());
    m_server.clearRequestLog();
    QDir(getLocalFileDirPath()).removeRecursively();
}

QString TestDownloadFile::pdfId() const
{
    return m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value("PDF").toString();
}

// The name the main window gives a report: the configured file-name format.
QString TestDownloadFile::reportPath(const QString &id)
{
    const SampleReport r = sampleReport(m_server.dataDir(), id);
    const QString extension = r.type.isEmpty() ? QStringLiteral("pdf") : r.type;
    const QString date = QDate::fromString(r.publishDate, Qt::ISODate).toString(QStringLiteral("yyyyMMdd"));
    return getLocalFilePath(makeReportFileName(r.institution, r.title, date, extension));
}

TestDownloadFile::Outcome TestDownloadFile::download(const QString &id, const QString &path, int timeoutMs)
{
    Outcome outcome;
    ModalWatcher boxes;
    QDlgDownloadFile dialog;
    QSignalSpy opened(&dialog, &QDlgDownloadFile::openFile);
    // The main window opens the file from this signal: it must be complete by then.
    qint64 sizeAtSignal = -1;
    connect(&dialog, &QDlgDownloadFile::openFile, this,
            [&](const QString &, const QString &p) { sizeAtSignal = QFileInfo(p).size(); });
    dialog.show();
    dialog.downloadReport(id, path);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(boxes.count() > 0 || opened.count() > 0, timeoutMs); }();
    QTest::qWait(100);
    outcome.boxes = boxes.count();
    outcome.box = boxes.last();
    for (const QList<QVariant> &args : qAsConst(opened))
        outcome.opened.append(args);
    if (!opened.isEmpty())
        [&] { QCOMPARE(sizeAtSignal, QFileInfo(path).size()); }();
    [&] { QVERIFY(!dialog.isVisible()); }();
    return outcome;
}

void TestDownloadFile::storesTheReportUnderTheCallersName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("pdf") << "PDF" << QByteArray("%PDF-");
    QTest::newRow("doc") << "DOC" << QByteArray("{\\rtf1");
    QTest::newRow("xls") << "XLS" << QByteArray("<?xml");
    QTest::newRow("no type") << "none" << QByteArray("%PDF-");
}

void TestDownloadFile::storesTheReportUnderTheCallersName()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, start);
    const QString id = m_server.manifest().value("facts").toObject().value("reportFiles").toObject().value(kind).toString();
    QVERIFY(!id.isEmpty());
    const QString path = reportPath(id);
    QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));   // the folder chain is made

    const Outcome outcome = download(id, path);
    QCOMPARE(outcome.boxes, 0);
    QCOMPARE(outcome.opened.size(), 1);
    QCOMPARE(outcome.opened.first().at(0).toString(), id);
    QCOMPARE(outcome.opened.first().at(1).toString(), path);
    const QByteArray stored = readAll(path);
    QVERIFY2(stored.startsWith(start), stored.left(20).constData());
    QCOMPARE(strayFiles(QFileInfo(path).absolutePath(), {QFileInfo(path).fileName()}), QStringList());

    // Step 1 is the signed service query; step 2 fetches the address exactly as given.
    const QList<QJsonObject> log = m_server.requestLog();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).value("path").toString(), QStringLiteral("/report/file"));
    const QUrlQuery query(log.at(0).value("query").toString());
    QCOMPARE(query.queryItems().size(), 4);
    QCOMPARE(query.queryItems().at(0).first, QStringLiteral("ssn"));
    QCOMPARE(query.queryItems().at(0).second, getSessionId());
    QCOMPARE(query.queryItems().at(1), qMakePair(QStringLiteral("id"), id));
    QCOMPARE(query.queryItems().at(2).first, QStringLiteral("tms"));
    QCOMPARE(query.queryItems().at(3), qMakePair(QStringLiteral("sgn"), getSignature(query.queryItems().at(2).second)));
    QCOMPARE(log.at(1).value("server").toString(), QStringLiteral("object"));
    QVERIFY(log.at(1).value("path").toString().startsWith(QStringLiteral("/oss/fil/") + id + '.'));
    QCOMPARE(log.at(1).value("query").toString(), QString());
}

void TestDownloadFile::overwritesAnExistingFile()
{
    const QString id = pdfId();
    const QString path = reportPath(id);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, QByteArray(100000, 'x')));
    const Outcome outcome = download(id, path);
    QCOMPARE(outcome.opened.size(), 1);
    const QByteArray stored = readAll(path);
    QVERIFY(stored.startsWith("%PDF-"));
    QVERIFY(stored.size() < 100000);
}

void TestDownloadFile::failuresShowTheirBoxAndWriteNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("faultPath");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("requests");

    const QString urlFailed = QStringLiteral("获取报告地址失败，请重新尝试或与我们联系！(ErrorCode:%1)");
    const QString fileFailed = QStringLiteral("报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)");
    QTest::newRow("service refuses") << "file_refused" << "" << "下载失败" << "该报告暂不提供下载" << 1;
    QTest::newRow("address request: HTTP 500")
        << "http_500" << "/report/file" << "下载失败" << urlFailed.arg(QNetworkReply::InternalServerError) << 1;
    QTest::newRow("file: HTTP 500")
        << "http_500" << "/oss/fil" << "下载失败" << fileFailed.arg(QNetworkReply::InternalServerError) << 2;
    QTest::newRow("file: stalls (idle time-out)")
        << "stall" << "/oss/fil" << "下载失败" << fileFailed.arg(QNetworkReply::OperationCanceledError) << 2;
    QTest::newRow("file: cut short")
        << "truncate" << "/oss/fil" << "下载失败" << fileFailed.arg(QNetworkReply::RemoteHostClosedError) << 2;
    QTest::newRow("file: empty body") << "file_empty" << "" << "下载失败" << "报告文件为空，请重新尝试或与我们联系！" << 2;
    QTest::newRow("address is file:") << "file_obj_file" << "" << "下载失败" << "报告地址无效，请重新尝试或与我们联系！" << 1;
    QTest::newRow("address is qrc:") << "file_obj_qrc" << "" << "下载失败" << "报告地址无效，请重新尝试或与我们联系！" << 1;
}

void TestDownloadFile::failuresShowTheirBoxAndWriteNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, faultPath);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, requests);
    QVERIFY(m_server.setFault(fault, true, faultPath));
    const QString path = reportPath(pdfId());

    const Outcome outcome = download(pdfId(), path, 40000);
    QCOMPARE(outcome.boxes, 1);
    QCOMPARE(outcome.box.icon, QMessageBox::Critical);
    QCOMPARE(outcome.box.title, title);
    QCOMPARE(outcome.box.text, text);
    QCOMPARE(outcome.opened.size(), 0);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(strayFiles(QFileInfo(path).absolutePath()), QStringList());
    QCOMPARE(m_server.requestLog().size(), requests);
}

void TestDownloadFile::folderThatCannotBeMade()
{
    // The folder's place is taken by a file.
    QVERIFY(QDir().mkpath(getDataDir()));
    QVERIFY(writeFile(getLocalFileDirPath(), "not a folder"));
    const QString path = reportPath(pdfId());
    const Outcome outcome = download(pdfId(), path);
    QCOMPARE(outcome.boxes, 1);
    QCOMPARE(outcome.box.icon, QMessageBox::Critical);
    QCOMPARE(outcome.box.title, QStringLiteral("文件错误"));
    QCOMPARE(outcome.box.text, QStringLiteral("不能创建报告目录！"));
    QCOMPARE(outcome.opened.size(), 0);
    QCOMPARE(readAll(getLocalFileDirPath()), QByteArray("not a folder"));
    QVERIFY(QFile::remove(getLocalFileDirPath()));
}

void TestDownloadFile::fileThatCannotBeOpened()
{
    // The file's place is taken by a folder.
    const QString path = reportPath(pdfId());
    QVERIFY(QDir().mkpath(path));
    const Outcome outcome = download(pdfId(), path);
    QCOMPARE(outcome.boxes, 1);
    QCOMPARE(outcome.box.title, QStringLiteral("文件保存失败"));
    QCOMPARE(outcome.box.text, QStringLiteral("报告保存遇到问题，请重新尝试或与我们联系！"));
    QCOMPARE(outcome.opened.size(), 0);
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(strayFiles(QFileInfo(path).absolutePath()), QStringList());
}

void TestDownloadFile::shortWriteKeepsTheOldFileAndAnnouncesNothing()
{
    const QString id = pdfId();
    const QString path = reportPath(id);
    QCOMPARE(download(id, path).opened.size(), 1);
    const qint64 size = QFileInfo(path).size();
    QVERIFY(size > 200);
    QVERIFY(writeFile(path, "old copy"));

    Outcome outcome;
    {
        // As on a full disk: only part of the body can be written.
        FileSizeLimit limit(rlim_t(size / 2));
        QVERIFY(limit.ok());
        outcome = download(id, path);
    }
    QCOMPARE(outcome.opened.size(), 0);
    QCOMPARE(readAll(path), QByteArray("old copy"));
    QCOMPARE(outcome.boxes, 1);
    QCOMPARE(outcome.box.title, QStringLiteral("文件保存失败"));
    QCOMPARE(outcome.box.text, QStringLiteral("报告保存遇到问题，请重新尝试或与我们联系！"));
    QCOMPARE(strayFiles(QFileInfo(path).absolutePath(), {QFileInfo(path).fileName()}), QStringList());
}

void TestDownloadFile::closingDuringTheTransferAbortsIt()
{
    QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/fil")));
    const QString path = reportPath(pdfId());
    ModalWatcher boxes;
    QPointer<QDlgDownloadFile> dialog = new QDlgDownloadFile;
    QSignalSpy opened(dialog.data(), &QDlgDownloadFile::openFile);
    dialog->show();
    dialog->downloadReport(pdfId(), path);
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestLog().size(), 2, 10000);   // step 2 under way
    QVERIFY(dialog->close() == false);
    QTRY_COMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().text, QStringLiteral("报告下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)")
                                    .arg(QNetworkReply::OperationCanceledError));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(opened.count(), 0);
    QVERIFY(!QFileInfo::exists(path));
    // Refused closes keep the kept dialog alive; it can download again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(m_server.resetFaults());
    dialog->show();
    dialog->downloadReport(pdfId(), path);
    QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 20000);
    QVERIFY(QFileInfo(path).size() > 0);
    delete dialog;
}

QTEST_MAIN(TestDownloadFile)
#include "tst_qdlgdownloadfile.moc"
