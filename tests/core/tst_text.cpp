#include "globalstate.h"
#include "jsonscript.h"
#include "pinyininitials.h"
#include "safeuncompress.h"
#include "serviceapi.h"

#include <QtTest>

namespace {

// Compressible, but not trivially.
QByteArray patterned(int size)
{
    QByteArray data;
    for (quint32 x = 1; data.size() < size; x = x * 1103515245u + 12345u)
        data += char('a' + (x >> 16) % 16);
    return data;
}

} // namespace

// The text rules of the core: service replies, compressed bodies, pinyin keys, signatures and
// report file names.
class TestText : public QObject
{
    Q_OBJECT

private slots:
    // Service replies read through the script engine: numbers come out as it writes them.
    void jsonMembers_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("text") << "\"中文\"" << "中文" << 0;
        QTest::newRow("integer") << "120" << "120" << 120;
        QTest::newRow("fraction") << "-3.9" << "-3.9" << -3;
        QTest::newRow("integral double") << "0.35e2" << "35" << 35;
        QTest::newRow("large") << "1e21" << "1e+21" << -559939584; // wrapped to 32 bits, as the engine does
        QTest::newRow("numeric text") << "\"17\"" << "17" << 17;
        QTest::newRow("null") << "null" << "null" << 0;
        QTest::newRow("true") << "true" << "true" << 1;
        QTest::newRow("array") << "[1, \"a\"]" << "1,a" << 0;
    }

    void jsonMembers()
    {
        QFETCH(QString, value);
        QFETCH(QString, text);
        QFETCH(int, number);
        JsonScript script;
        const QScriptValue object = script.parse("{\"v\": " + value + "}");
        QCOMPARE(jsonText(object, "v"), text);
        QCOMPARE(jsonInt(object, "v"), number);
        QCOMPARE(jsonText(object, "w"), QString());
    }

    void jsonBodies()
    {
        JsonScript script;
        for (const QString text : {"", "not json at all", "{'res': 1}", "{\"res\": 1, \"msg\": \"x", "{\"res\": 1,}"}) {
            const QScriptValue value = script.parse(text);
            QVERIFY2(value.isObject() && jsonInt(value, "res") == 0 && jsonText(value, "msg").isEmpty(), qPrintable(text));
        }
        // Usable after a failed parse; a body ends at its first NUL.
        const QScriptValue data = script.parseBody("{\"data\": [{\"dt\": \"A.DAT\"}, {\"dt\": \"好\"}]}" + QByteArray(1, '\0') + "x")
                                      .property("data");
        QCOMPARE(jsonLength(data), 2);
        QCOMPARE(jsonText(jsonElement(data, 1), "dt"), QString("好"));
        QCOMPARE(jsonText(jsonElement(data, 2), "dt"), QString());
        QCOMPARE(jsonLength(script.parse("{\"data\": \"text\"}").property("data")), 0);
    }

    void uncompress_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("inflates");
        QTest::addColumn<QByteArray>("plain");
        const QByteArray plain = patterned(1000 * 1000);
        const QByteArray good = qCompress(plain);
        QTest::newRow("empty") << qCompress(QByteArray()) << true << QByteArray();
        QTest::newRow("utf-8 json") << qCompress("{\"ttl\":\"长江证券\"}") << true << QByteArray("{\"ttl\":\"长江证券\"}");
        QTest::newRow("several chunks") << good << true << plain;
        QTest::newRow("no bytes") << QByteArray() << false << QByteArray();
        QTest::newRow("shorter than the length") << QByteArray("\0\0\1", 3) << false << QByteArray();
        QTest::newRow("plain text") << QByteArray("this body was never compressed") << false << QByteArray();
        QTest::newRow("cut in the middle") << good.left(good.size() / 2) << false << QByteArray();
        QByteArray bad = good;
        bad[4] = 0x12;
        QTest::newRow("bad zlib header") << bad << false << QByteArray();
        bad = good;
        bad[bad.size() - 1] = char(bad.at(bad.size() - 1) ^ 0x55);
        QTest::newRow("bad checksum") << bad << false << QByteArray();
    }

    void uncompress()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, inflates);
        QFETCH(QByteArray, plain);
        QByteArray out("stale");
        QCOMPARE(safeUncompress(body, &out), inflates);
        QCOMPARE(out, plain);
        if (inflates) // a body exactly at the cap still passes
            QVERIFY(safeUncompress(body, &out, plain.size()));
    }

    // The declared length plays no part: a huge claim reserves nothing; the cap holds whatever the
    // stream holds.
    void uncompressCap()
    {
        QByteArray body = qCompress("abc");
        body[0] = body[1] = body[2] = body[3] = char(0xff);
        QByteArray out;
        QVERIFY(safeUncompress(body, &out));
        QCOMPARE(out, QByteArray("abc"));
        QVERIFY(out.capacity() < 1024 * 1024);
        body = qCompress(QByteArray(10 * 1024 * 1024, '\0'), 9);
        QVERIFY(!safeUncompress(body, &out, 1024 * 1024));
        QVERIFY(out.isEmpty());
    }

    void pinyinTableCoversTheRange()
    {
        QCOMPARE(kPinyinInitialsLast - kPinyinInitialsFirst + 1, 20902);
        const QByteArray letters("abcdefghjklmnopqrstwxyz");
        for (int u = kPinyinInitialsFirst; u <= kPinyinInitialsLast; ++u)
            if (!letters.contains(pinyinInitial(QChar(u))))
                QFAIL(qPrintable(QString("U+%1 has no initial").arg(u, 4, 16)));
        QCOMPARE(pinyinInitial(QChar(0x4DFF)), '\0');
    }

    void pinyinKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "国泰君安" << "GTJA";
        QTest::newRow("first and last of the table") << "一龥" << "YY";
        QTest::newRow("长 is z") << "长信" << "ZX";
        QTest::newRow("长 before 江, 城, 春 is c") << "长江长城长春" << "CJCCCC";
        QTest::newRow("mixed") << "UBS瑞银(香港)" << "UBSRY(XG)";
        QTest::newRow("beyond the table") << "中\u9FA6" << "Z\u9FA6";
    }

    void pinyinKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QCOMPARE(pinyinInitialsKey(name), key);
    }

    void pinyinSort_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("by key") << QStringList({"长江证券", "安信证券", "中信证券", "bank", "长城证券", "Bank", "国泰君安", "1号", "长信"})
                                << QStringList({"1号", "安信证券", "Bank", "长城证券", "长江证券", "国泰君安", "长信", "中信证券", "bank"});
        QTest::newRow("prefix first") << QStringList({"中信证券", "中信"}) << QStringList({"中信", "中信证券"});
        QTest::newRow("equal keys reversed") << QStringList({"长城A", "中信", "安信", "中心", "众信", "长春A"})
                                             << QStringList({"安信", "长春A", "长城A", "众信", "中心", "中信"});
    }

    void pinyinSort()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, sorted);
        QCOMPARE(sortByPinyinInitials(names), sorted);
    }

    // Service requests and local files

    void signatures()
    {
        // MD5 of the UTF-8 text, as the service computes it.
        QCOMPARE(getSignature("1484289423000"), QString("82b66a39ebd3bfe7890cc1c82f40a8a0"));
        QCOMPARE(getPasswordDigest("密码"), QString("a8105204604a0b11e916f3879aae3b0b"));
    }

    void specialCharacters()
    {
        for (const QChar c : QString("~!@#$%^&*()_+`={}|[]\\:\";<>?,./'"))
            QVERIFY2(containsSpecialChar(QString("ab") + c + "cd"), qPrintable(QString(c)));
        for (const QString text : {"", "Abc 123-x y", "中信证券", "机构：一"})
            QVERIFY2(!containsSpecialChar(text), qPrintable(text));
    }

    void reportFileName_data()
    {
        QTest::addColumn<QStringList>("parts"); // template, institution, title, date, extension
        QTest::addColumn<QString>("name");
        QTest::newRow("default template") << QStringList{"INS-TTL-PUB", "中信证券", "宏观:周报/第3期?", "20170105", "PDF"}
                                          << "中信证券-宏观：周报／第3期？-20170105.pdf";
        QTest::newRow("date first") << QStringList{"PUB-INS-TTL", "中信证券", "策略", "20170105", "Doc"} << "20170105-中信证券-策略.doc";
        QTest::newRow("empty template") << QStringList{"", "A", "B", "20170105", "pdf"} << "A-B-20170105.pdf";
        QTest::newRow("every replaced character") << QStringList{"TTL", "", ":/\\*?\"<>|", "", "pdf"} << "：／＼＊？“＜＞｜.pdf";
        QTest::newRow("parent folder institution") << QStringList{"INS-TTL-PUB", "../x", "T", "1", "pdf"} << "．．／x-T-1.pdf";
        QTest::newRow("leading dot of the date") << QStringList{"PUB-INS-TTL", "A", "T", ".hidden", "pdf"} << "．hidden-A-T.pdf";
        QTest::newRow("hostile extension") << QStringList{"INS-TTL-PUB", "A", "T", "1", "PDF/../../x"} << "A-T-1.pdf／..／..／x";
        QTest::newRow("control characters") << QStringList{"INS-TTL-PUB", "A", "line\nbreak", "1", "pdf"} << "A-line break-1.pdf";
        // Inserted text is subject to the later replacements, as names already on disk are.
        QTest::newRow("field names inside values") << QStringList{"INS-TTL-PUB", "TTL", "PUB", "1", "pdf"} << "1-1-1.pdf";
        // As much of the title as fits 255 bytes: one more character (3 bytes) would not.
        QTest::newRow("long title") << QStringList{"INS-TTL-PUB", "中信证券", QString(200, u'研'), "20170105", "pdf"}
                                    << "中信证券-" + QString(76, u'研') + "-20170105.pdf";
    }

    void reportFileName()
    {
        QFETCH(QStringList, parts);
        QFETCH(QString, name);
        setFileFormat(parts[0]);
        QCOMPARE(makeReportFileName(parts[1], parts[2], parts[3], parts[4]), name);
    }

    void longNamesFitAndCanBeCreated_data()
    {
        QTest::addColumn<QStringList>("parts"); // template, institution, title, extension
        const QString chinese(200, u'研');
        QTest::newRow("title twice") << QStringList{"TTL-INS-TTL", "中信证券", chinese, "pdf"};
        QTest::newRow("astral characters") << QStringList{"INS-TTL-PUB", "A", QString(101, u'a') + QString("😀").repeated(100), "pdf"};
        QTest::newRow("huge institution") << QStringList{"INS-TTL-PUB", QString(300, u'券'), "标题", "pdf"};
        QTest::newRow("huge extension") << QStringList{"INS-TTL-PUB", "A", "T", QString(400, u'x')};
        QTest::newRow("hostile everything") << QStringList{"INS-TTL-PUB", "../../" + QString(100, u'/'), "/" + chinese, "../pdf"};
    }

    void longNamesFitAndCanBeCreated()
    {
        QFETCH(QStringList, parts);
        setFileFormat(parts[0]);
        const QString name = makeReportFileName(parts[1], parts[2], "20170105", parts[3]);
        QVERIFY2(name.toUtf8().size() <= 255, qPrintable(QString::number(name.toUtf8().size())));
        QCOMPARE(QString::fromUtf8(name.toUtf8()), name); // no split surrogate pair
        QTemporaryDir dir;
        QFile file(dir.filePath(name));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name}); // inside the folder
    }

    void makeDirPath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("made");
        QTest::newRow("several levels") << "b/报告/d/" << true;
        QTest::newRow("dot segments") << "h/../i/./j" << true;
        QTest::newRow("existing file") << "file" << false;
        QTest::newRow("below a file") << "file/x/y" << false;
    }

    void makeDirPath()
    {
        QFETCH(QString, relative);
        QFETCH(bool, made);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString path = dir.path() + '/' + relative;
        QCOMPARE(::makeDirPath(QFileInfo(path)), made);
        QCOMPARE(QFileInfo(QDir::cleanPath(path)).isDir(), made);
        QVERIFY(!::makeDirPath(QFileInfo(QString())));
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
