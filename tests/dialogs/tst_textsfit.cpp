// Every text of every dialog fits its control at the program's font and with its style sheet: a
// cut "分析师：" or "添加股票" is what the user reads otherwise.

#include "dialogtest.h"
#include "globalstate.h"
#include "qdlgabout.h"
#include "qdlganalyst.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlgblockedstock.h"
#include "qdlgblockmanage.h"
#include "qdlgdisplay.h"
#include "qdlgfavoritemanage.h"
#include "qdlggenius.h"
#include "qdlginstmanage.h"
#include "qdlginstselect.h"
#include "qdlgoption.h"
#include "qdlgsubscribe.h"
#include "qdlgsubscribemanage.h"
#include "startup.h"
#include "textsfit.h"

class TestTextsFit : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        installAppFont(getAppDir());
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        QCOMPARE(getAppFont().pointSize(), 11);
    }

    void everyText_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char *name : {"QDlgAbout", "QDlgAnalyst", "QDlgDisplay", "QDlgOption", "QDlgSubscribe",
                                 "QDlgSubscribeManage", "QDlgBlockManage", "QDlgBlockedStock", "QDlgFavoriteManage",
                                 "QDlgInstManage", "QDlgInstSelect", "QDlgAnalystManage", "QDlgAnalystSelect", "QDlgGenius",
                                 "QDlgGenius before the stocks"})
            QTest::newRow(name) << QString(name);
    }

    void everyText()
    {
        QFETCH(QString, dialog);
        const QMap<QString, std::function<QDialog *()>> make{
            {"QDlgAbout", [] { return new QDlgAbout; }},
            {"QDlgAnalyst", [] { return new QDlgAnalyst; }},
            {"QDlgDisplay", [] { return new QDlgDisplay; }},
            {"QDlgOption", [] { return new QDlgOption; }},
            {"QDlgSubscribe", [] { return new QDlgSubscribe; }},
            {"QDlgSubscribeManage", [] { return new QDlgSubscribeManage; }},
            {"QDlgBlockManage", [] { return new QDlgBlockManage; }},
            {"QDlgBlockedStock", [] { return new QDlgBlockedStock; }},
            {"QDlgFavoriteManage", [] { return new QDlgFavoriteManage; }},
            {"QDlgInstManage", [] { return new QDlgInstManage; }},
            {"QDlgInstSelect", [] { return new QDlgInstSelect(nullptr, QString()); }},
            {"QDlgAnalystManage", [] { return new QDlgAnalystManage; }},
            {"QDlgAnalystSelect", [] { return new QDlgAnalystSelect; }},
            {"QDlgGenius", [] { return new QDlgGenius; }},
            // T_Stock is empty here, so the lookup tells that the stocks are still to come.
            {"QDlgGenius before the stocks", [] {
                 auto *genius = new QDlgGenius;
                 genius->setKeyword(QStringLiteral("6"));
                 return genius;
             }}};
        std::unique_ptr<QDialog> shown(make.value(dialog)());
        shown->show();
        QVERIFY2(QTest::qWaitForWindowExposed(shown.get()), "the dialog never showed");
        const QStringList cut = textsCut(shown.get());
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
    }
};

QTEST_MAIN(TestTextsFit)
#include "tst_textsfit.moc"
