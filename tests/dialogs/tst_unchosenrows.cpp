// The list editors opened and a button clicked at once, as a hasty user does: the list has the
// focus, which makes its first row current without selecting it. No row was chosen, so each button
// says so and nothing changes, is stamped for upload or reloads the side bar.

#include "dialogtest.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlgblockedstock.h"
#include "qdlgblockmanage.h"
#include "qdlgfavoritemanage.h"
#include "qdlginstmanage.h"
#include "qdlgsubscribemanage.h"
#include "subscribecontent.h"
#include "userlists.h"

namespace {

// The user lists as an upload would send them, and whether any is stamped for upload.
QString everyList()
{
    return QStringList{buildBlockUploadText(), buildFavoriteUploadText(), buildSubscribeUploadText(),
                       buildConcernedInstUploadText(), buildConcernedAnalystUploadText()}
        .join('\n');
}

bool anyStamp()
{
    return getStockBlockModified() > 0 || getReportFavoriteModified() > 0 || getReportSubscribeModified() > 0
           || getConcernedInstModified() > 0 || getConcernedAnalystModified() > 0;
}

QDialog *makeDialog(const QString &name)
{
    if (name == "block")
        return new QDlgBlockManage;
    if (name == "favorite")
        return new QDlgFavoriteManage;
    if (name == "subscribe")
        return new QDlgSubscribeManage;
    if (name == "inst")
        return new QDlgInstManage;
    if (name == "analyst")
        return new QDlgAnalystManage;
    if (name == "analyst picker")
        return new QDlgAnalystSelect;
    auto *members = new QDlgBlockedStock;
    members->setBlock("甲");
    return members;
}

} // namespace

class TestUnchosenRows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        QVERIFY(insertStock("600000.SH", "浦发银行", "PFYH"));
        QVERIFY(insertStock("000001.SZ", "平安银行", "PAYH"));
        loadStockCache();
        QVERIFY(insertAnalyst(1, 101, "张三", "中信证券"));
        QVERIFY(insertAnalyst(2, 102, "李四", "安信证券"));
        loadAnalystCache();
    }

    void init()
    {
        resetUserLists();
        for (const QString name : {"甲", "乙"}) {
            addBlockStock(name, "600000.SH,000001.SZ", false);
            addFavoriteReport(name, "0", false);
            addSubscribe(name, encodeSubscribeContent(R"({"ttl":"铅"})"), false);
        }
        addToConcernedInstList("中信证券");
        addToConcernedInstList("安信证券");
        addToConcernedAnalystList("101");
        addToConcernedAnalystList("102");
        clearUserListStamps();
    }

    void buttonRightAfterOpening_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::newRow("institutions, remove") << "inst" << "btnRemove" << "请选择删除的机构";
        QTest::newRow("analysts, remove") << "analyst" << "btnRemove" << "请选择删除的分析师";
        QTest::newRow("blocks, rename") << "block" << "btnRename" << "请选择重命名的板块";
        QTest::newRow("blocks, members") << "block" << "btnManage" << "请选择设置成分股的板块";
        QTest::newRow("blocks, remove") << "block" << "btnRemove" << "请选择删除的板块";
        QTest::newRow("block members, remove a stock") << "members" << "btnRemoveStock" << "请选择需要删除的股票!";
        QTest::newRow("folders, rename") << "favorite" << "btnRename" << "请选择重命名的收藏夹";
        QTest::newRow("folders, remove") << "favorite" << "btnRemove" << "请选择删除的收藏夹";
        QTest::newRow("subscriptions, modify") << "subscribe" << "btnModify" << "请选择修改的订阅";
        QTest::newRow("subscriptions, rename") << "subscribe" << "btnRename" << "请选择重命名的订阅";
        QTest::newRow("subscriptions, remove") << "subscribe" << "btnRemove" << "请选择删除的订阅";
        QTest::newRow("analyst picker, OK") << "analyst picker" << "btnOk" << "请选择分析师";
    }

    void buttonRightAfterOpening()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, button);
        QFETCH(QString, box);
        const QString before = everyList();
        std::unique_ptr<QDialog> shown(makeDialog(dialog));
        auto *list = shown->findChild<QListWidget *>();
        shown->show();
        QVERIFY2(QTest::qWaitForWindowActive(shown.get()), "the dialog never became active");
        list->setFocus();
        QVERIFY2(QTest::qWaitFor([list] { return list->hasFocus(); }, 5000), "the list never took the focus");
        QVERIFY(list->count() > 0);
        ModalScript script;
        script.answer();
        QTest::mouseClick(child<QPushButton>(shown.get(), qPrintable(button)), Qt::LeftButton);
        if (dialog == "members")
            QTest::mouseClick(child<QPushButton>(shown.get(), "btnOK"), Qt::LeftButton);
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.seen, QStringList{"注意/" + box});
        QCOMPARE(everyList(), before);
        // The member editor's OK stamps the blocks as a whole; every other dialog stamps nothing.
        QCOMPARE(anyStamp(), dialog == "members");
        if (dialog == "analyst picker")
            QVERIFY2(shown->isVisible() && shown->result() != QDialog::Accepted, "the picker closed with a row never chosen");
    }

    // A row the user clicks is chosen: the first row clicked and removed goes.
    void clickedRowIsChosen()
    {
        QDlgInstManage dialog;
        auto *list = child<QListWidget>(&dialog, "lstInst");
        dialog.show();
        QVERIFY2(QTest::qWaitForWindowExposed(&dialog), "the dialog never showed");
        const QString first = list->item(0)->data(Qt::UserRole).toString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        ModalScript script;
        QTest::mouseClick(child<QPushButton>(&dialog, "btnRemove"), Qt::LeftButton);
        QVERIFY_SCRIPT(script);
        QVERIFY(!getConcernedInstList().contains(first));
        QCOMPARE(getConcernedInstList().size(), 1);
        QVERIFY(getConcernedInstModified() > 0);
    }
};

QTEST_MAIN(TestUnchosenRows)
#include "tst_unchosenrows.moc"
