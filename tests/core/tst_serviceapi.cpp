#include "defaultconfig.h"
#include "globalstate.h"
#include "serviceapi.h"
#include "usersettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {

using Builder = QString (*)();

const QMap<QString, Builder> &builders()
{
    static const QMap<QString, Builder> map{
        {"getTestObjectUrl", getTestObjectUrl},     {"getIndexUrl", getIndexUrl},
        {"getUpgradeUrl", getUpgradeUrl},           {"getDatUrl", getDatUrl},
        {"getDayUrl", getDayUrl},                   {"getVerifyApiUrl", getVerifyApiUrl},
        {"getFileApiUrl", getFileApiUrl},           {"getShareApiUrl", getShareApiUrl},
        {"getInstApiUrl", getInstApiUrl},           {"getSubscribeApiUrl", getSubscribeApiUrl},
        {"getFavoriteApiUrl", getFavoriteApiUrl},   {"getBlockApiUrl", getBlockApiUrl},
        {"getAnalystApiUrl", getAnalystApiUrl},
    };
    return map;
}

// A configuration with addresses unlike the embedded ones; the object host ends in "/" so
// that the joins show they add and remove nothing.
const char kConfig[] =
    "[Software]\n"
    "EnName=Tamrel\n"
    "[ServiceHost]\n"
    "Host0=\"{\\\"name\\\": \\\"A\\\", \\\"host\\\": \\\"http://svc-a.example:8080\\\"}\"\n"
    "Host1=\"{\\\"name\\\": \\\"B\\\", \\\"host\\\": \\\"https://svc-b.example/api\\\"}\"\n"
    "[ServiceApi]\n"
    "Verify=/user/verify\n"
    "File=/report/file\n"
    "Share=/report/share\n"
    "Inst=/customize/inst\n"
    "Subscribe=/customize/subscribe\n"
    "Favorite=/customize/favorite\n"
    "Block=/customize/block\n"
    "Analyst=/customize/analyst\n"
    "[ObjectHost]\n"
    "Host=http://obj.example/oss/\n"
    "[ObjectPath]\n"
    "Tst=/tst\n"
    "Dat=/dat\n"
    "Dwn=/dwn\n"
    "Day=/day\n"
    "[LocalDir]\n"
    "File=fil\n"
    "[Option]\n"
    "FileFormat=INS-TTL-PUB\n"
    "[Orders]\n"
    "1001=\"{\\\"id\\\": \\\"RPT_NEW\\\"}\"\n";

bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestServiceApi : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        qunsetenv("TAMREL_HOSTS");
        QVERIFY(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("config.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kConfig);
        file.close();
        loadDefaultConfig(file.fileName());
        setUpgradeFileName(QStringLiteral("Tamrel_2017.02.exe"));
    }

    void init()
    {
        setHostIndex(0);
        setFileFormat(QStringLiteral("INS-TTL-PUB"));
    }

    void urlBuilders_data()
    {
        QTest::addColumn<QString>("builder");
        QTest::addColumn<int>("host");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *builder, int host, const char *expected) {
            QTest::addRow("%s host %d", builder, host) << builder << host << expected;
        };
        row("getTestObjectUrl", 0, "http://obj.example/oss//tst/TST.DAT");
        row("getIndexUrl", 0, "http://obj.example/oss//dat/IDX.DAT");
        row("getUpgradeUrl", 0, "http://obj.example/oss//dwn/Tamrel_2017.02.exe");
        row("getDatUrl", 0, "http://obj.example/oss//dat");
        row("getDayUrl", 0, "http://obj.example/oss//day");
        row("getVerifyApiUrl", 0, "http://svc-a.example:8080/user/verify");
        row("getFileApiUrl", 0, "http://svc-a.example:8080/report/file");
        row("getShareApiUrl", 0, "http://svc-a.example:8080/report/share");
        row("getInstApiUrl", 0, "http://svc-a.example:8080/customize/inst");
        row("getSubscribeApiUrl", 0, "http://svc-a.example:8080/customize/subscribe");
        row("getFavoriteApiUrl", 0, "http://svc-a.example:8080/customize/favorite");
        row("getBlockApiUrl", 0, "http://svc-a.example:8080/customize/block");
        row("getAnalystApiUrl", 0, "http://svc-a.example:8080/customize/analyst");
        row("getVerifyApiUrl", 1, "https://svc-b.example/api/user/verify");
        row("getAnalystApiUrl", 1, "https://svc-b.example/api/customize/analyst");
        row("getIndexUrl", 1, "http://obj.example/oss//dat/IDX.DAT");
    }

    void urlBuilders()
    {
        QFETCH(QString, builder);
        QFETCH(int, host);
        QFETCH(QString, expected);
        setHostIndex(host);
        QVERIFY(builders().contains(builder));
        QCOMPARE(builders().value(builder)(), expected);
    }

    void embeddedAddresses()
    {
        loadDefaultConfig();
        setHostIndex(0);
        QCOMPARE(getIndexUrl(), QStringLiteral("http://127.0.0.1:17803/oss/dat/IDX.DAT"));
        QCOMPARE(getTestObjectUrl(), QStringLiteral("http://127.0.0.1:17803/oss/tst/TST.DAT"));
        QCOMPARE(getVerifyApiUrl(), QStringLiteral("http://127.0.0.1:17801/user/verify"));
        setHostIndex(1);
        QCOMPARE(getBlockApiUrl(), QStringLiteral("http://127.0.0.1:17802/customize/block"));
        initTestCase();
    }

    void signature_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digest");
        QTest::newRow("empty") << "" << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("timestamp") << "1484289423000" << "82b66a39ebd3bfe7890cc1c82f40a8a0";
        QTest::newRow("ascii") << "abc123" << "e99a18c428cb38d5f260853678922e03";
        QTest::newRow("chinese in utf-8") << "密码" << "a8105204604a0b11e916f3879aae3b0b";
    }

    void signature()
    {
        QFETCH(QString, text);
        QFETCH(QString, digest);
        QCOMPARE(getSignature(text), digest);
        QCOMPARE(getPasswordDigest(text), digest);
    }

    void timestamp()
    {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QString tms = getTimestamp();
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(QRegularExpression(QStringLiteral("^[1-9][0-9]*$")).match(tms).hasMatch());
        QVERIFY(tms.toLongLong() >= before && tms.toLongLong() <= after);
    }

    void containsSpecialChar_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("special");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("letters digits blanks hyphens") << "Abc 123-x y" << false;
        QTest::newRow("chinese") << "中信证券" << false;
        QTest::newRow("full-width colon") << "机构：一" << false;
        QTest::newRow("apostrophe") << "O'Neil" << true;
        const QString all = QStringLiteral("~!@#$%^&*()_+`={}|[]\\:\";<>?,./'");
        QCOMPARE(all.size(), 31);
        for (const QChar c : all)
            QTest::addRow("U+%04X", c.unicode()) << QStringLiteral("ab") + c + QStringLiteral("cd") << true;
    }

    void containsSpecialChar()
    {
        QFETCH(QString, text);
        QFETCH(bool, special);
        QCOMPARE(::containsSpecialChar(text), special);
    }

    void reportFileName_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("institution");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default template")
            << "INS-TTL-PUB" << "中信证券" << "宏观:周报/第3期?" << "20170105" << "PDF"
            << "中信证券-宏观：周报／第3期？-20170105.pdf";
        QTest::newRow("date first")
            << "PUB-INS-TTL" << "中信证券" << "策略" << "20170105" << "Doc"
            << "20170105-中信证券-策略.doc";
        QTest::newRow("every replaced character")
            << "TTL" << "" << ":/\\*?\"<>|" << "" << "pdf" << "：／＼＊？“＜＞｜.pdf";
        QTest::newRow("template without fields") << "report" << "A" << "B" << "C" << "pdf"
                                                 << "report.pdf";
        QTest::newRow("empty template falls back to the default")
            << "" << "A" << "B" << "20170105" << "pdf" << "A-B-20170105.pdf";
        QTest::newRow("slash in institution")
            << "INS-TTL-PUB" << "A/B证券" << "T" << "20170105" << "pdf" << "A／B证券-T-20170105.pdf";
        QTest::newRow("parent folder institution")
            << "INS-TTL-PUB" << "../x" << "T" << "20170105" << "pdf" << "．．／x-T-20170105.pdf";
        QTest::newRow("leading dot of the date")
            << "PUB-INS-TTL" << "A" << "T" << ".hidden" << "pdf" << "．hidden-A-T.pdf";
        QTest::newRow("separators in the date")
            << "INS-TTL-PUB" << "A" << "T" << "2017/01/05" << "pdf" << "A-T-2017／01／05.pdf";
        QTest::newRow("hostile extension")
            << "INS-TTL-PUB" << "A" << "T" << "1" << "PDF/../../x" << "A-T-1.pdf／..／..／x";
        QTest::newRow("control characters")
            << "INS-TTL-PUB" << "A" << "line\nbreak" << "1" << "pdf" << "A-line break-1.pdf";
        // Inserted text is subject to the later replacements, as names already on disk are.
        QTest::newRow("field names inside values")
            << "INS-TTL-PUB" << "TTL" << "PUB" << "1" << "pdf" << "1-1-1.pdf";
    }

    void reportFileName()
    {
        QFETCH(QString, format);
        QFETCH(QString, institution);
        QFETCH(QString, title);
        QFETCH(QString, date);
        QFETCH(QString, extension);
        QFETCH(QString, expected);
        setFileFormat(format);
        QCOMPARE(makeReportFileName(institution, title, date, extension), expected);
    }

    void longNamesFitAndCanBeCreated_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("institution");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("extension");
        const QString chinese = QString(200, u'研');
        QTest::newRow("200 Chinese characters") << "INS-TTL-PUB" << "中信证券" << chinese << "pdf";
        QTest::newRow("date first") << "PUB-INS-TTL" << "中信证券" << chinese << "pdf";
        QTest::newRow("title twice") << "TTL-INS-TTL" << "中信证券" << chinese << "pdf";
        QTest::newRow("astral characters") << "INS-TTL-PUB" << "A" << QString(101, u'a') + QStringLiteral("😀").repeated(100) << "pdf";
        QTest::newRow("huge institution") << "INS-TTL-PUB" << QString(300, u'券') << "标题" << "pdf";
        QTest::newRow("huge extension") << "INS-TTL-PUB" << "A" << "T" << QString(400, u'x');
        QTest::newRow("hostile everything")
            << "INS-TTL-PUB" << "../../" + QString(100, u'/') << "/" + chinese << "../pdf";
    }

    void longNamesFitAndCanBeCreated()
    {
        QFETCH(QString, format);
        QFETCH(QString, institution);
        QFETCH(QString, title);
        QFETCH(QString, extension);
        setFileFormat(format);
        const QString name = makeReportFileName(institution, title, QStringLiteral("20170105"), extension);
        QVERIFY2(name.toUtf8().size() <= 255, qPrintable(QString::number(name.toUtf8().size())));
        QVERIFY(!name.contains(u'/'));
        QVERIFY(!name.startsWith(u'.'));
        QCOMPARE(QString::fromUtf8(name.toUtf8()), name); // no split surrogate pair

        // The name can be created, and inside the folder.
        QTemporaryDir dir;
        QFile file(dir.filePath(name));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        file.close();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void titleKeepsAsMuchAsFits()
    {
        const QString name = makeReportFileName(QStringLiteral("中信证券"), QString(200, u'研'),
                                                QStringLiteral("20170105"), QStringLiteral("pdf"));
        QVERIFY(name.startsWith(QStringLiteral("中信证券-研研")));
        QVERIFY(name.endsWith(QStringLiteral("研-20170105.pdf")));
        // One more title character (3 bytes) would not fit.
        QVERIFY(name.toUtf8().size() > 255 - 3);
    }

    void makeDirPath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("made");
        QTest::newRow("existing") << "" << true;
        QTest::newRow("one level") << "a" << true;
        QTest::newRow("several levels") << "b/c/d/e" << true;
        QTest::newRow("chinese names") << "报告/文件" << true;
        QTest::newRow("trailing slash") << "f/g/" << true;
        QTest::newRow("dot segments") << "h/../i/./j" << true;
        QTest::newRow("existing file") << "file" << false;
        QTest::newRow("below a file") << "file/x/y" << false;
    }

    void makeDirPath()
    {
        QFETCH(QString, relative);
        QFETCH(bool, made);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString path = dir.path() + QLatin1Char('/') + relative;
        QCOMPARE(::makeDirPath(QFileInfo(path)), made);
        QCOMPARE(QFileInfo(QDir::cleanPath(path)).isDir(), made);
    }

    void makeDirPathWithoutParentOrRoot()
    {
        QVERIFY(!::makeDirPath(QFileInfo(QString())));
        QVERIFY(::makeDirPath(QFileInfo(QStringLiteral("/"))));
        if (isRoot())
            QSKIP("permissions do not bind root");
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(!::makeDirPath(QFileInfo(dir.filePath(QStringLiteral("x/y")))));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void localFilePaths()
    {
        QTemporaryDir data;
        setDataDir(data.path());
        QCOMPARE(getLocalFileDirPath(), data.path() + QStringLiteral("/fil"));
        QCOMPARE(getLocalFilePath(QStringLiteral("A-T-1.pdf")), data.path() + QStringLiteral("/fil/A-T-1.pdf"));
        QCOMPARE(getLocalFilePath(QString()), data.path() + QStringLiteral("/fil/"));
    }
};

QTEST_GUILESS_MAIN(TestServiceApi)
#include "tst_serviceapi.moc"
