#include "jsonscript.h"

#include <QtTest>

class TestJsonScript : public QObject
{
    Q_OBJECT
private slots:
    void memberText_data();
    void memberText();
    void memberInt_data();
    void memberInt();
    void notJsonReadsAsEmptyObject_data();
    void notJsonReadsAsEmptyObject();
    void arrays();
    void bodyStopsAtNul();
    void oneEngineParsesMany();
};

void TestJsonScript::memberText_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text") << R"({"v": "中文"})" << "中文";
    QTest::newRow("integer") << R"({"v": 120})" << "120";
    QTest::newRow("fraction") << R"({"v": 0.35})" << "0.35";
    QTest::newRow("negative") << R"({"v": -7.5})" << "-7.5";
    QTest::newRow("integral double") << R"({"v": 12.0})" << "12";
    QTest::newRow("large") << R"({"v": 1e21})" << "1e+21";
    QTest::newRow("small") << R"({"v": 1e-7})" << "1e-7";
    QTest::newRow("null") << R"({"v": null})" << "null";
    QTest::newRow("true") << R"({"v": true})" << "true";
    QTest::newRow("missing") << R"({"w": 1})" << "";
    QTest::newRow("empty text") << R"({"v": ""})" << "";
    QTest::newRow("array") << R"({"v": [1, "a"]})" << "1,a";
}

void TestJsonScript::memberText()
{
    QFETCH(QString, json);
    QFETCH(QString, expected);
    JsonScript script;
    QCOMPARE(jsonText(script.parse(json), QStringLiteral("v")), expected);
}

void TestJsonScript::memberInt_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("expected");
    QTest::newRow("integer") << R"({"v": 42})" << 42;
    QTest::newRow("truncated") << R"({"v": 3.9})" << 3;
    QTest::newRow("negative truncated toward zero") << R"({"v": -3.9})" << -3;
    QTest::newRow("numeric text") << R"({"v": "17"})" << 17;
    QTest::newRow("other text") << R"({"v": "abc"})" << 0;
    QTest::newRow("missing") << R"({})" << 0;
    QTest::newRow("null") << R"({"v": null})" << 0;
    QTest::newRow("true") << R"({"v": true})" << 1;
}

void TestJsonScript::memberInt()
{
    QFETCH(QString, json);
    QFETCH(int, expected);
    JsonScript script;
    QCOMPARE(jsonInt(script.parse(json), QStringLiteral("v")), expected);
}

void TestJsonScript::notJsonReadsAsEmptyObject_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("garbage") << "not json at all";
    QTest::newRow("single quotes") << "{'res': 1}";
    QTest::newRow("cut short") << R"({"res": 1, "msg": "x)";
    QTest::newRow("trailing comma") << R"({"res": 1,})";
}

void TestJsonScript::notJsonReadsAsEmptyObject()
{
    QFETCH(QString, text);
    JsonScript script;
    const QScriptValue value = script.parse(text);
    QVERIFY(value.isObject());
    QCOMPARE(jsonInt(value, QStringLiteral("res")), 0);
    QCOMPARE(jsonText(value, QStringLiteral("msg")), QString());
    QCOMPARE(jsonText(value, QStringLiteral("message")), QString());
    // The engine is usable after the failed parse.
    QCOMPARE(jsonInt(script.parse(R"({"res": 2})"), QStringLiteral("res")), 2);
}

void TestJsonScript::arrays()
{
    JsonScript script;
    const QScriptValue data =
        script.parse(R"({"data": [{"dt": "A.DAT"}, {"dt": "B.DAT"}]})").property(QStringLiteral("data"));
    QCOMPARE(jsonLength(data), 2);
    QCOMPARE(jsonText(jsonElement(data, 1), QStringLiteral("dt")), QStringLiteral("B.DAT"));
    QCOMPARE(jsonText(jsonElement(data, 2), QStringLiteral("dt")), QString());
    QCOMPARE(jsonText(jsonElement(data, -1), QStringLiteral("dt")), QString());

    const QScriptValue noData = script.parse(R"({"res": 1})").property(QStringLiteral("data"));
    QCOMPARE(jsonLength(noData), 0);
    QCOMPARE(jsonLength(script.parse(R"({"data": "text"})").property(QStringLiteral("data"))), 0);
}

void TestJsonScript::bodyStopsAtNul()
{
    JsonScript script;
    const QByteArray body = QByteArray(R"({"msg": "好"})") + '\0' + "trailing";
    QCOMPARE(bodyText(body), QStringLiteral(R"({"msg": "好"})"));
    QCOMPARE(jsonText(script.parseBody(body), QStringLiteral("msg")), QStringLiteral("好"));
}

void TestJsonScript::oneEngineParsesMany()
{
    JsonScript script;
    QList<QScriptValue> values;
    for (int i = 0; i < 500; ++i)
        values.append(script.parse(QStringLiteral(R"({"id": %1})").arg(i)));
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(jsonInt(values.at(i), QStringLiteral("id")), i);
}

QTEST_GUILESS_MAIN(TestJsonScript)
#include "tst_jsonscript.moc"
