#include "analystaward.h"
#include "settingsvalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One category value as the file writes it.
QByteArray category(const QByteArray &insts)
{
    QByteArray json = "{\"cat\": \"宏观经济\", \"insts\": [" + insts + "]}";
    return "\"" + json.replace("\"", "\\\"") + "\"";
}

QByteArray inst(const QByteArray &name, const QByteArray &medal, const QByteArray &anls)
{
    QByteArray text = "{\"inst\": \"" + name + "\"";
    if (!medal.isEmpty())
        text += ", \"medal\": " + medal;
    return text + ", \"anls\": \"" + anls + "\"}";
}

} // namespace

class TestAnalystAward : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeTable(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("xcf.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        file.write(text);
        return path;
    }

private slots:
    void init()
    {
        clearAnalystAwardTable();
    }

    void onlyTheLatestYearCounts()
    {
        loadAnalystAwardTable(writeTable(
            "[2016]\n001=" + category(inst("中信证券", "2", "张三[1001]")) + "\n"
            "[2015]\n001=" + category(inst("中信证券", "1", "李四[1002],张三[1001]")) + "\n"));
        QCOMPARE(getAnalystMedal(QStringLiteral("1001")), 2);
        QCOMPARE(getAnalystMedal(QStringLiteral("1002")), 0);
    }

    void firstCategoryInKeyOrderWins()
    {
        loadAnalystAwardTable(writeTable(
            "[2016]\nXCF2016002=" + category(inst("甲", "1", "王五[1003]")) + "\n"
            "XCF2016001=" + category(inst("乙", "3", "王五[1003]")) + "\n"));
        QCOMPARE(getAnalystMedal(QStringLiteral("1003")), 3);
    }

    void separatorsAndBrackets_data()
    {
        QTest::addColumn<QByteArray>("anls");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("medal");
        QTest::newRow("plain") << QByteArray("赵六[1200]") << "1200" << 4;
        QTest::newRow("second of two") << QByteArray("赵六[1200],钱七[1201]") << "1201" << 4;
        QTest::newRow("empty parts") << QByteArray(",,钱七[1201],") << "1201" << 4;
        QTest::newRow("full-width comma keeps only the first")
            << QByteArray("赵六[1200]，钱七[1201]") << "1201" << 0;
        QTest::newRow("full-width comma first id") << QByteArray("赵六[1200]，钱七[1201]") << "1200" << 4;
        QTest::newRow("no closing bracket") << QByteArray("赵六[1200") << "1200" << 4;
        QTest::newRow("no bracket") << QByteArray("赵六") << "赵六" << 0;
        QTest::newRow("empty brackets") << QByteArray("赵六[]") << "" << 0;
        QTest::newRow("ids match with case") << QByteArray("赵六[A1]") << "a1" << 0;
    }

    void separatorsAndBrackets()
    {
        QFETCH(QByteArray, anls);
        QFETCH(QString, id);
        QFETCH(int, medal);
        loadAnalystAwardTable(writeTable("[2016]\n001=" + category(inst("甲", "4", anls)) + "\n"));
        QCOMPARE(getAnalystMedal(id), medal);
    }

    void missingMedalAndBrokenValues()
    {
        loadAnalystAwardTable(writeTable(
            "[2016]\n001=" + category(inst("甲", "", "孙八[1300]")) + "\n"
            "002=not json at all\n"
            "003=" + category(inst("乙", "2.9", "周九[1301]")) + "\n"));
        QCOMPARE(getAnalystMedal(QStringLiteral("1300")), 0);
        QCOMPARE(getAnalystMedal(QStringLiteral("1301")), 2);
    }

    void missingFile()
    {
        loadAnalystAwardTable(dir.filePath(QStringLiteral("none.ini")));
        QCOMPARE(getAnalystMedal(QStringLiteral("1001")), 0);
        QCOMPARE(getAnalystMedal(QString()), 0);
    }

    // The embedded table: the stand-in creates its analysts from it, so its ids must be
    // in the agreed range and each id must stand for one analyst at one institution.
    void embeddedTable()
    {
        QSettings xcf(QStringLiteral(":/xcf.ini"), QSettings::IniFormat);
        xcf.setIniCodec("UTF-8");
        QCOMPARE(xcf.childGroups(), QStringList({"2012", "2013", "2014", "2015", "2016"}));
        const QRegularExpression entry(QStringLiteral("^(.+)\\[(\\d{4})\\]$"));
        QHash<QString, QString> personOfId;
        int categories = 0;
        for (const QString &year : xcf.childGroups()) {
            xcf.beginGroup(year);
            for (const QString &key : xcf.childKeys()) {
                ++categories;
                const QJsonObject value = QJsonDocument::fromJson(settingsText(xcf, key).toUtf8()).object();
                QVERIFY2(!value.value(QStringLiteral("cat")).toString().isEmpty(), qPrintable(year + key));
                const QJsonArray insts = value.value(QStringLiteral("insts")).toArray();
                QVERIFY2(insts.size() == 3 || insts.size() == 5, qPrintable(year + key));
                for (int i = 0; i < insts.size(); ++i) {
                    const QJsonObject placed = insts.at(i).toObject();
                    QCOMPARE(placed.value(QStringLiteral("medal")).toInt(), i + 1);
                    const QString institution = placed.value(QStringLiteral("inst")).toString();
                    QVERIFY(!institution.isEmpty());
                    const QStringList anls = placed.value(QStringLiteral("anls")).toString().split(QLatin1Char(','));
                    QVERIFY(!anls.isEmpty());
                    for (const QString &anl : anls) {
                        const QRegularExpressionMatch m = entry.match(anl);
                        QVERIFY2(m.hasMatch(), qPrintable(anl));
                        const int id = m.captured(2).toInt();
                        QVERIFY2(id >= 1001 && id <= 1400, qPrintable(anl));
                        const QString person = m.captured(1) + QLatin1Char('@') + institution;
                        QCOMPARE(personOfId.value(m.captured(2), person), person);
                        personOfId.insert(m.captured(2), person);
                    }
                }
            }
            xcf.endGroup();
        }
        QVERIFY(categories >= 5 * 10);

        loadAnalystAwardTable();
        int awarded = 0;
        for (auto it = personOfId.cbegin(); it != personOfId.cend(); ++it)
            awarded += getAnalystMedal(it.key()) > 0 ? 1 : 0;
        QVERIFY(awarded > 20);
        QVERIFY(awarded < personOfId.size());
    }
};

QTEST_GUILESS_MAIN(TestAnalystAward)
#include "tst_analystaward.moc"
