#include "globalstate.h"
#include "platform.h"
#include "startup.h"

#include <QApplication>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void centredPosition_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("full hd") << QRect(0, 0, 1920, 1040) << QSize(1200, 801) << QPoint(360, 119);
        QTest::newRow("origin not added") << QRect(1920, 30, 1920, 1040) << QSize(1200, 801)
                                          << QPoint(360, 119);
        QTest::newRow("larger than the area") << QRect(0, 0, 800, 600) << QSize(1001, 701)
                                              << QPoint(-100, -50);
    }

    void centredPosition()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, frame);
        QFETCH(QPoint, position);
        QCOMPARE(::centredPosition(available, frame), position);
    }

    void centreWindowUsesTheCentringArea()
    {
        QWidget window;
        window.resize(300, 200);
        window.show();
        centreWindow(&window);
        const QRect area = platformCentringArea();
        QVERIFY(area.isValid());
        QCOMPARE(window.pos(), ::centredPosition(area, window.frameGeometry().size()));
    }

    void fallbackFontWithoutFontFile()
    {
        QTemporaryDir dir;
        installAppFont(dir.path());
        const QFont font = getAppFont();
        QCOMPARE(font.families(), fallbackFontFamilies());
        QCOMPARE(font.pointSize(), 11);
        QCOMPARE(QApplication::font().pointSize(), 11);
        QCOMPARE(fallbackFontFamilies().first(), QStringLiteral("WenQuanYi Zen Hei"));
    }

    void fallbackFontWithBrokenFontFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("font.ttc")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a font");
        file.close();
        setAppFont(QFont());
        installAppFont(dir.path());
        QCOMPARE(getAppFont().families(), fallbackFontFamilies());
    }

    // The Chinese texts of the windows need glyphs: the fallback must resolve to a font
    // that has them, or every label shows boxes.
    void fallbackFontHasChineseGlyphs()
    {
        QTemporaryDir dir;
        installAppFont(dir.path());
        const QFontMetrics metrics(getAppFont());
        for (const QChar c : QStringLiteral("最新报告已运行相同程序"))
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
    }

    void styleSheet()
    {
        QTemporaryDir dir;
        QVERIFY(!installStyleSheet(qApp, dir.path()));
        QCOMPARE(qApp->styleSheet(), QString());
        QFile file(dir.filePath(QStringLiteral("skin.qss")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("QLabel#lblTitle { color: red; } /* 标题 */");
        file.close();
        setUtf8LocaleCodec();
        QVERIFY(installStyleSheet(qApp, dir.path()));
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel#lblTitle { color: red; } /* 标题 */"));
        qApp->setStyleSheet(QString());
    }

    void missingTranslation()
    {
        QTemporaryDir dir;
        QVERIFY(!installTranslator(qApp, dir.path()));
    }

    void platform()
    {
        QCOMPARE(platformOsName(), QStringLiteral("Linux"));
        const QString location = platformDataLocation();
        QVERIFY2(location.endsWith(QStringLiteral("/Tamrel/Tamrel")), qPrintable(location));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tamrel"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
