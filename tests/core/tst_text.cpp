#include "globalstate.h"
#include "jsonscript.h"
#include "pinyininitials.h"
#include "safeuncompress.h"
#include "serviceapi.h"

#include <QtEndian>
#include <QtTest>

// The text rules of the core: service replies, compressed bodies, pinyin keys, signatures and
// report file names.
class TestText : public QObject
{
    Q_OBJECT

private slots:
    // Service replies read through the script engine: numbers come out as it writes them; a body
    // that is not JSON reads as an object without members.
    void jsonReplies()
    {
        JsonScript script;
        const QScriptValue object = script.parse(R"({"t": "中文", "i": 120, "f": -3.9, "d": 0.35e2, "s": "17", "n": null})");
        QStringList texts;
        QList<int> numbers;
        for (const QString name : {"t", "i", "f", "d", "s", "n", "missing"}) {
            texts << jsonText(object, name);
            numbers << jsonInt(object, name);
        }
        QCOMPARE(texts, QStringList({"中文", "120", "-3.9", "35", "17", "null", ""}));
        QCOMPARE(numbers, QList<int>({0, 120, -3, 35, 17, 0, 0}));
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

    // A claim above the cap, or above what the stream can hold, is refused before inflating; a
    // stream that inflates past its claim is refused once it passes it.
    void uncompress_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<bool>("inflates");
        QTest::addColumn<QByteArray>("plain");
        QByteArray plain; // compressible, but not trivially
        for (int i = 0; plain.size() < 1000 * 1000; ++i)
            plain += QByteArray::number(i * 7919 % 65521, 36);
        const QByteArray good = qCompress(plain);
        const qint64 cap = kMaxUncompressedSize;
        QTest::newRow("empty") << qCompress(QByteArray()) << cap << true << QByteArray();
        QTest::newRow("utf-8 json") << qCompress("{\"ttl\":\"长江证券\"}") << cap << true << QByteArray("{\"ttl\":\"长江证券\"}");
        QTest::newRow("several chunks") << good << cap << true << plain;
        const QByteArray abc = qCompress("abc").mid(4);
        QTest::newRow("declared above the cap") << QByteArray("\x70\0\0\0", 4) + abc << cap << false << QByteArray();
        QTest::newRow("declared above what the stream holds") << QByteArray("\0\x10\0\0", 4) + abc << cap << false << QByteArray();
        QTest::newRow("inflates past its declared length") << QByteArray("\0\0\0\2", 4) + abc << cap << false << QByteArray();
        QTest::newRow("declared above its content") << QByteArray("\0\0\0\x40", 4) + abc << cap << true << QByteArray("abc");
        QTest::newRow("past the cap") << qCompress(QByteArray(10 << 20, '\0'), 9) << qint64(1 << 20) << false << QByteArray();
        QTest::newRow("no bytes") << QByteArray() << cap << false << QByteArray();
        QTest::newRow("shorter than the length") << QByteArray("\0\0\1", 3) << cap << false << QByteArray();
        QTest::newRow("plain text") << QByteArray("this body was never compressed") << cap << false << QByteArray();
        QTest::newRow("cut in the middle") << good.left(good.size() / 2) << cap << false << QByteArray();
        QByteArray bad = good;
        bad[4] = 0x12;
        QTest::newRow("bad zlib header") << bad << cap << false << QByteArray();
        bad = good;
        bad[bad.size() - 1] = char(bad.at(bad.size() - 1) ^ 0x55);
        QTest::newRow("bad checksum") << bad << cap << false << QByteArray();
    }

    void uncompress()
    {
        QFETCH(QByteArray, body);
        QFETCH(qint64, cap);
        QFETCH(bool, inflates);
        QFETCH(QByteArray, plain);
        QByteArray out("stale");
        QCOMPARE(safeUncompress(body, &out, cap), inflates);
        QCOMPARE(out, plain);
        QVERIFY(out.capacity() < plain.size() + (1 << 20));
        if (inflates) // a body that declares exactly the cap still passes
            QVERIFY(safeUncompress(body, &out, qFromBigEndian<quint32>(body.constData())));
    }

    void pinyin()
    {
        QCOMPARE(kPinyinInitialsLast - kPinyinInitialsFirst + 1, 20902);
        const QByteArray letters("abcdefghjklmnopqrstwxyz");
        for (int u = kPinyinInitialsFirst; u <= kPinyinInitialsLast; ++u)
            if (!letters.contains(pinyinInitial(QChar(u))))
                QFAIL(qPrintable(QString("U+%1 has no initial").arg(u, 4, 16)));
        QCOMPARE(pinyinInitial(QChar(0x4DFF)), '\0');
        // First and last of the table; 长 is z except before 江, 城 and 春; other characters stay.
        const QStringList names{"国泰君安", "一龥", "长信", "长江长城长春", "UBS瑞银(香港)", "中\u9FA6"};
        const QStringList keys{"GTJA", "YY", "ZX", "CJCCCC", "UBSRY(XG)", "Z\u9FA6"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(pinyinInitialsKey(names[i]), keys[i]);
        // By key, a prefix first, equal keys in the reverse of their input order.
        QCOMPARE(sortByPinyinInitials({"长江证券", "安信证券", "中信证券", "bank", "长城证券", "Bank", "国泰君安", "1号", "长信", "中信"}),
                 QStringList({"1号", "安信证券", "Bank", "长城证券", "长江证券", "国泰君安", "中信", "长信", "中信证券", "bank"}));
        QCOMPARE(sortByPinyinInitials({"长城A", "中信", "安信", "中心", "众信", "长春A"}),
                 QStringList({"安信", "长春A", "长城A", "众信", "中心", "中信"}));
    }

    void signaturesAndSpecialCharacters()
    {
        // MD5 of the UTF-8 text, as the service computes it.
        QCOMPARE(getSignature("1484289423000"), QString("82b66a39ebd3bfe7890cc1c82f40a8a0"));
        QCOMPARE(getPasswordDigest("密码"), QString("a8105204604a0b11e916f3879aae3b0b"));
        for (const QChar c : QString("~!@#$%^&*()_+`={}|[]\\:\";<>?,./'"))
            QVERIFY2(containsSpecialChar(QString("ab") + c + "cd"), qPrintable(QString(c)));
        for (const QString text : {"", "Abc 123-x y", "中信证券", "机构：一"})
            QVERIFY2(!containsSpecialChar(text), qPrintable(text));
    }

    // Every name stays inside the report folder, fits 255 UTF-8 bytes and can be created.
    void reportFileName_data()
    {
        QTest::addColumn<QStringList>("parts"); // template, institution, title, date, extension
        QTest::addColumn<QString>("name");      // empty: only that it fits and can be created
        const QString chinese(200, u'研');
        QTest::newRow("default template") << QStringList{"INS-TTL-PUB", "中信证券", "宏观:周报/第3期?", "20170105", "PDF"}
                                          << "中信证券-宏观：周报／第3期？-20170105.pdf";
        QTest::newRow("date first") << QStringList{"PUB-INS-TTL", "中信证券", "策略", "20170105", "Doc"} << "20170105-中信证券-策略.doc";
        QTest::newRow("every replaced character") << QStringList{"TTL", "", ":/\\*?\"<>|", "", "pdf"} << "：／＼＊？“＜＞｜.pdf";
        QTest::newRow("parent folder institution") << QStringList{"INS-TTL-PUB", "../x", "T", "1", "pdf"} << "．．／x-T-1.pdf";
        QTest::newRow("leading dot of the date") << QStringList{"PUB-INS-TTL", "A", "T", ".hidden", "pdf"} << "．hidden-A-T.pdf";
        QTest::newRow("hostile extension") << QStringList{"INS-TTL-PUB", "A", "T", "1", "PDF/../../x"} << "A-T-1.pdf／..／..／x";
        QTest::newRow("control characters") << QStringList{"INS-TTL-PUB", "A", "line\nbreak", "1", "pdf"} << "A-line break-1.pdf";
        // Inserted text is subject to the later replacements, as names already on disk are.
        QTest::newRow("field names inside values") << QStringList{"INS-TTL-PUB", "TTL", "PUB", "1", "pdf"} << "1-1-1.pdf";
        // As much of the title as fits 255 bytes: one more character (3 bytes) would not.
        QTest::newRow("long title") << QStringList{"INS-TTL-PUB", "中信证券", chinese, "20170105", "pdf"}
                                    << "中信证券-" + QString(76, u'研') + "-20170105.pdf";
        QTest::newRow("astral characters")
            << QStringList{"INS-TTL-PUB", "A", QString(101, u'a') + QString("😀").repeated(100), "20170105", "pdf"} << "";
        QTest::newRow("huge institution") << QStringList{"INS-TTL-PUB", QString(300, u'券'), "标题", "20170105", "pdf"} << "";
        QTest::newRow("huge extension") << QStringList{"INS-TTL-PUB", "A", "T", "20170105", QString(400, u'x')} << "";
        QTest::newRow("hostile everything")
            << QStringList{"INS-TTL-PUB", "../../" + QString(100, u'/'), "/" + chinese, "20170105", "../pdf"} << "";
    }

    void reportFileName()
    {
        QFETCH(QStringList, parts);
        QFETCH(QString, name);
        setFileFormat(parts[0]);
        const QString made = makeReportFileName(parts[1], parts[2], parts[3], parts[4]);
        if (!name.isEmpty())
            QCOMPARE(made, name);
        QVERIFY2(made.toUtf8().size() <= 255, qPrintable(QString::number(made.toUtf8().size())));
        QCOMPARE(QString::fromUtf8(made.toUtf8()), made); // no split surrogate pair
        QTemporaryDir dir;
        QFile file(dir.filePath(made));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{made}); // inside the folder
    }

    void makeDirPath()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const QString relative : {"b/报告/d/", "h/../i/./j", "file", "file/x/y"}) {
            const QString path = dir.path() + '/' + relative;
            const bool made = !relative.startsWith("file");
            QVERIFY2(::makeDirPath(QFileInfo(path)) == made && QFileInfo(QDir::cleanPath(path)).isDir() == made, qPrintable(relative));
        }
        QVERIFY(!::makeDirPath(QFileInfo(QString())));
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
