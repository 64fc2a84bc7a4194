#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void embeddedConfigIsThere()
    {
        QVERIFY(QFile::exists(QStringLiteral(":/config.ini")));
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
