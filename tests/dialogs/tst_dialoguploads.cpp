// A change made in each list editor reaches the stand-in of the service through the update engine.

#include "dialogtest.h"
#include "enginerunner.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlgblockmanage.h"
#include "qdlgfavoritemanage.h"
#include "qdlginstmanage.h"
#include "qdlginstselect.h"
#include "qdlgsubscribe.h"
#include "qdlgsubscribemanage.h"
#include "standinsession.h"

#include <QLineEdit>

class TestDialogUploads : public QObject
{
    Q_OBJECT

    DevServer m_server;
    QTemporaryDir m_dir;

    // The body of every list posted so far, as "kind body".
    QStringList uploads()
    {
        QStringList out;
        for (const QJsonObject &e : m_server.requestLog()) {
            const QString path = e.value("path").toString();
            if (path.startsWith("/customize/"))
                out << path.mid(11) + ' ' + e.value("body").toString();
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QVERIFY(prepareDialogDatabase(m_dir));
        setHostIndex(0);
        QVERIFY(openStandInSession());
        QVERIFY(insertReport(FixtureReport{1, "2026-06-30 10:00:00", QString(), "长江证券", "STK.COM@CN", "t", "", "", ""}));
        QVERIFY(insertAnalyst(1, 101, "张三", "中信证券", "2026-06-01"));
        loadAnalystCache();
        // The index cycle of the first tick ends at once; the ticks after it upload.
        QVERIFY(m_server.setFault("http_404", true, "/oss/dat/IDX.DAT"));
    }

    void everyEditorsChangeIsUploaded()
    {
        resetUserLists();
        ModalScript script;
        script.type("自选").type("待读");
        script.then<QDlgSubscribe>([](QDlgSubscribe *editor) {
            child<QLineEdit>(editor, "edtTitleKeyword")->setText("芯片");
            click(editor, "btnOK");
        });
        script.type("芯片");
        auto pickFirst = [](QDialog *picker) {
            picker->findChild<QListWidget *>()->setCurrentRow(0);
            click(picker, "btnOk");
        };
        script.then<QDlgInstSelect>(pickFirst).then<QDlgAnalystSelect>(pickFirst);
        click(std::make_unique<QDlgBlockManage>().get(), "btnNew");
        click(std::make_unique<QDlgFavoriteManage>().get(), "btnNew");
        click(std::make_unique<QDlgSubscribeManage>().get(), "btnNew");
        click(std::make_unique<QDlgInstManage>().get(), "btnAdd");
        click(std::make_unique<QDlgAnalystManage>().get(), "btnAdd");
        QVERIFY_SCRIPT(script);

        m_server.clearRequestLog();
        EngineRunner engine;
        engine.start();
        QVERIFY(waitFor([&] { return engine.statuses.contains(QStringLiteral("上传关注分析师数据成功！")); }));
        QVERIFY(engine.stop());
        const QString chip = "%E8%8A%AF%E7%89%87";
        QCOMPARE(uploads(), (QStringList{
                                "inst 长江证券",
                                "subscribe [{\"nam\":\"" + chip + "\",\"cnt\":\"%7B%22ttl%22%3A%22" + chip
                                    + "%22%2C%22ins%22%3A%22%22%2C%22anl%22%3A%22%22%2C%22cod%22%3A%22%22%7D\"}]",
                                "favorite [{\"nam\":\"%E5%BE%85%E8%AF%BB\",\"lst\":\"0\"}]",
                                "block [{\"nam\":\"%E8%87%AA%E9%80%89\",\"lst\":\"\"}]",
                                "analyst 101"}));
        QCOMPARE(getStockBlockModified() + getReportFavoriteModified() + getReportSubscribeModified()
                     + getConcernedInstModified() + getConcernedAnalystModified(),
                 qint64(0));
    }
};

QTEST_MAIN(TestDialogUploads)
#include "tst_dialoguploads.moc"
