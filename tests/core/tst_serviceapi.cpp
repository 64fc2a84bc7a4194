#include "globalstate.h"
#include "serviceapi.h"

#include <QtTest>

class TestServiceApi : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestServiceApi)
#include "tst_serviceapi.moc"
