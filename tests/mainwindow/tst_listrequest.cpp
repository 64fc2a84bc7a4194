#include "listrequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestListRequest : public QObject
{
    Q_OBJECT

private slots:
    void valuesSurviveTheJsonText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("中信证券");
        QTest::newRow("quote") << QStringLiteral("国\"泰\"君安");
        QTest::newRow("backslash") << QStringLiteral("a\\b\\");
        QTest::newRow("quote closing the string") << QStringLiteral("x\", \"inst\": \"y");
        QTest::newRow("control characters") << QStringLiteral("a\tb\nc\rd\u0001e\u001f");
        QTest::newRow("percent words") << QStringLiteral("%ind%%block%");
        QTest::newRow("empty") << QString();
    }

    void valuesSurviveTheJsonText()
    {
        QFETCH(QString, value);
        const QString filled = fillListRequest(
            QStringLiteral("{\"id\": \"RAT_INS\", \"name\": \"%inst%的评级\", "
                           "\"args\": {\"inst\": \"%inst%\", \"ind\": \"%ind%\"}}"),
            {{QStringLiteral("%inst%"), value}, {QStringLiteral("%ind%"), QStringLiteral("钢铁")}});
        QJsonParseError error;
        const QJsonObject request = QJsonDocument::fromJson(filled.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(request.value(QStringLiteral("name")).toString(), value + QStringLiteral("的评级"));
        const QJsonObject args = request.value(QStringLiteral("args")).toObject();
        QCOMPARE(args.size(), 2);
        QCOMPARE(args.value(QStringLiteral("inst")).toString(), value);
        // A value is not searched for placeholders again.
        QCOMPARE(args.value(QStringLiteral("ind")).toString(), QStringLiteral("钢铁"));
        QCOMPARE(listRequestId(filled), QStringLiteral("RAT_INS"));
    }

    void placeholdersWithoutValueStay()
    {
        QCOMPARE(fillListRequest(QStringLiteral("{\"code\": \"STK%@CN\", \"a\": \"%stkCode%%x%\"}"),
                                 {{QStringLiteral("%stkCode%"), QStringLiteral("600000.SH")}}),
                 QStringLiteral("{\"code\": \"STK%@CN\", \"a\": \"600000.SH%x%\"}"));
    }

    void idOfBrokenRequests_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("id");
        QTest::newRow("no json") << QStringLiteral("RPT_NEW") << QString();
        QTest::newRow("array") << QStringLiteral("[\"RPT_NEW\"]") << QString();
        QTest::newRow("no id") << QStringLiteral("{\"name\": \"x\"}") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("id") << QStringLiteral("{\"id\": \"RCM_NEW\"}") << QStringLiteral("RCM_NEW");
    }

    void idOfBrokenRequests()
    {
        QFETCH(QString, request);
        QFETCH(QString, id);
        QCOMPARE(listRequestId(request), id);
    }
};

QTEST_GUILESS_MAIN(TestListRequest)
#include "tst_listrequest.moc"
