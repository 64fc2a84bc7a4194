#include "qdlgbulletin.h"

#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

class TestBulletin : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void content_data();
    void content();
    void closes_data();
    void closes();
};

void TestBulletin::form()
{
    QDlgBulletin dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("公告"));
    QVERIFY(dialog.isModal());
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog.size(), QSize(503, 355));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.findChild<QTextBrowser *>(QStringLiteral("txtConent"))->geometry(), QRect(10, 10, 481, 301));
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnClose"))->text(), QStringLiteral("关闭"));
}

void TestBulletin::content_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::newRow("rich text") << "<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告。</p>"
                               << "欢迎使用 Tamrel 样本服务。\n这是一条测试公告。";
    QTest::newRow("plain text") << "系统将于今晚 22:00 维护 <30 分钟" << "系统将于今晚 22:00 维护 <30 分钟";
}

void TestBulletin::content()
{
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QDlgBulletin dialog;
    dialog.setContent(text);
    QCOMPARE(dialog.findChild<QTextBrowser *>(QStringLiteral("txtConent"))->toPlainText(), plain);
}

void TestBulletin::closes_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close button") << false;
    QTest::newRow("Escape") << true;
}

void TestBulletin::closes()
{
    QFETCH(bool, escape);
    QPointer<QDlgBulletin> dialog = new QDlgBulletin;
    dialog->setContent(QStringLiteral("公告"));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    if (escape)
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnClose")), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
}

QTEST_MAIN(TestBulletin)
#include "tst_qdlgbulletin.moc"
