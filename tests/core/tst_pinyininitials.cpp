#include "pinyininitials.h"

#include <QtTest>

class TestPinyinInitials : public QObject
{
    Q_OBJECT
private slots:
    void tableCoversTheRange();
    void initials_data();
    void initials();
    void key_data();
    void key();
    void sortOrder_data();
    void sortOrder();
};

void TestPinyinInitials::tableCoversTheRange()
{
    QCOMPARE(kPinyinInitialsCount, 20902);
    const QByteArray allowed("abcdefghjklmnopqrstuwxyz");
    for (int u = kPinyinInitialsFirst; u <= kPinyinInitialsLast; ++u) {
        const char letter = pinyinInitial(QChar(u));
        if (!allowed.contains(letter))
            QFAIL(qPrintable(QStringLiteral("U+%1 has no initial").arg(u, 4, 16)));
    }
    QCOMPARE(pinyinInitial(QChar(0x4DFF)), '\0');
    QCOMPARE(pinyinInitial(QChar(0x9FA6)), '\0');
    QCOMPARE(pinyinInitial(QChar('A')), '\0');
}

void TestPinyinInitials::initials_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<char>("initial");
    const struct { const char *utf8; char initial; } cases[] = {
        {"一", 'y'}, {"龥", 'y'}, {"中", 'z'}, {"国", 'g'}, {"长", 'z'}, {"阿", 'a'}, {"安", 'a'},
        {"嗯", 'n'}, {"欧", 'o'}, {"额", 'e'}, {"北", 'b'}, {"京", 'j'}, {"证", 'z'}, {"券", 'q'},
        {"银", 'y'}, {"河", 'h'}, {"鑫", 'x'}, {"兴", 'x'}, {"业", 'y'}, {"瑞", 'r'}, {"信", 'x'},
        {"招", 'z'}, {"商", 's'}, {"发", 'f'}, {"民", 'm'}, {"泰", 't'}, {"平", 'p'}, {"开", 'k'},
        {"兙", 's'}, {"甅", 'l'},
    };
    for (const auto &c : cases)
        QTest::newRow(c.utf8) << QString::fromUtf8(c.utf8) << c.initial;
}

void TestPinyinInitials::initials()
{
    QFETCH(QString, character);
    QFETCH(char, initial);
    QCOMPARE(pinyinInitial(character.at(0)), initial);
}

void TestPinyinInitials::key_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::newRow("plain") << QStringLiteral("国泰君安") << QStringLiteral("GTJA");
    QTest::newRow("changjiang") << QStringLiteral("长江研究") << QStringLiteral("CJYJ");
    QTest::newRow("changcheng") << QStringLiteral("长城证券") << QStringLiteral("CCZQ");
    QTest::newRow("changchun") << QStringLiteral("长春证券") << QStringLiteral("CCZQ");
    QTest::newRow("inside the name") << QStringLiteral("东北长江") << QStringLiteral("DBCJ");
    QTest::newRow("zhang alone") << QStringLiteral("长信") << QStringLiteral("ZX");
    QTest::newRow("mixed") << QStringLiteral("UBS瑞银(香港)") << QStringLiteral("UBSRY(XG)");
    QTest::newRow("lower-case latin") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("beyond the table") << QStringLiteral("中\u9FA6") << QStringLiteral("Z\u9FA6");
    QTest::newRow("empty") << QString() << QString();
}

void TestPinyinInitials::key()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QCOMPARE(pinyinInitialsKey(name), key);
}

void TestPinyinInitials::sortOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("empty") << QStringList() << QStringList();
    QTest::newRow("by key")
        << QStringList{QStringLiteral("长江证券"), QStringLiteral("安信证券"), QStringLiteral("中信证券"),
                       QStringLiteral("bank"), QStringLiteral("长城证券"), QStringLiteral("Bank"),
                       QStringLiteral("国泰君安"), QStringLiteral("1号"), QStringLiteral("长信")}
        << QStringList{QStringLiteral("1号"), QStringLiteral("安信证券"), QStringLiteral("Bank"),
                       QStringLiteral("长城证券"), QStringLiteral("长江证券"), QStringLiteral("国泰君安"),
                       QStringLiteral("长信"), QStringLiteral("中信证券"), QStringLiteral("bank")};
    QTest::newRow("prefix first")
        << QStringList{QStringLiteral("中信证券"), QStringLiteral("中信")}
        << QStringList{QStringLiteral("中信"), QStringLiteral("中信证券")};
    QTest::newRow("equal keys reversed")
        << QStringList{QStringLiteral("中信"), QStringLiteral("中心"), QStringLiteral("众信")}
        << QStringList{QStringLiteral("众信"), QStringLiteral("中心"), QStringLiteral("中信")};
    QTest::newRow("equal keys among others")
        << QStringList{QStringLiteral("长城A"), QStringLiteral("安信"), QStringLiteral("长春A")}
        << QStringList{QStringLiteral("安信"), QStringLiteral("长春A"), QStringLiteral("长城A")};
}

void TestPinyinInitials::sortOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    QCOMPARE(sortByPinyinInitials(names), sorted);
}

QTEST_GUILESS_MAIN(TestPinyinInitials)
#include "tst_pinyininitials.moc"
