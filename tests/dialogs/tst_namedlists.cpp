// The editors of the user lists: new, rename and remove of blocks, folders and subscriptions with
// their refusals, side-bar signal and upload stamp; every button that needs a row; block members.

#include "dialogtest.h"
#include "qdlganalystmanage.h"
#include "qdlgblockedstock.h"
#include "qdlgblockmanage.h"
#include "qdlgfavoritemanage.h"
#include "qdlggenius.h"
#include "qdlginstmanage.h"
#include "qdlgsubscribemanage.h"
#include "subscribecontent.h"
#include "userlists.h"

namespace {

struct Kind
{
    std::function<QDialog *()> make;
    const char *signal;
    std::function<qint64()> stamp;
    std::function<QStringList()> names;
    std::function<void(const QString &)> seed;
};

Kind kindOf(const QString &name)
{
    if (name == "block")
        return {[] { return new QDlgBlockManage; }, SIGNAL(loadBlockListOfSidebar()), getStockBlockModified,
                getBlockNameList, [](const QString &n) { addBlockStock(n, QString(), false); }};
    if (name == "favorite")
        return {[] { return new QDlgFavoriteManage; }, SIGNAL(loadFavoriteListOfSidebar()), getReportFavoriteModified,
                getFavoriteNameList, [](const QString &n) { addFavoriteReport(n, "0", false); }};
    if (name == "subscribe")
        return {[] { return new QDlgSubscribeManage; }, SIGNAL(loadSubscribeListOfSidebar()), getReportSubscribeModified,
                getSubscribeNameList, [](const QString &n) { addSubscribe(n, encodeSubscribeContent("{}"), false); }};
    if (name == "inst")
        return {[] { return new QDlgInstManage; }, SIGNAL(loadConcernedInstListOfSidebar()), getConcernedInstModified,
                getConcernedInstList, [](const QString &n) { addToConcernedInstList(n); }};
    if (name == "analyst")
        return {[] { return new QDlgAnalystManage; }, SIGNAL(loadConcernedAnalystListOfSidebar()),
                getConcernedAnalystModified, getConcernedAnalystList, [](const QString &n) { addToConcernedAnalystList(n); }};
    return {[] {
                auto *editor = new QDlgBlockedStock;
                editor->setBlock("板");
                return editor;
            },
            SIGNAL(accepted()), getStockBlockModified, [] { return getBlockStockList("板"); },
            [](const QString &n) { addBlockStock("板", n == "甲" ? "600000.SH" : "000001.SZ", false); }};
}

// The editor of that kind over the entries 甲 and 乙, with the row of that text current.
std::unique_ptr<QDialog> openOnTwoEntries(const Kind &k, const QString &row)
{
    k.seed("甲");
    k.seed("乙");
    clearUserListStamps();
    std::unique_ptr<QDialog> dialog(k.make());
    chooseRow(dialog->findChild<QListWidget *>(), row);
    return dialog;
}

} // namespace

class TestNamedLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // The names of the kind's store and of the editor's rows agree; the side bar was told and the
    // list stamped exactly when changed.
    void checkOutcome(const Kind &k, QDialog *dialog, const QSignalSpy &reload, const QStringList &names, bool changed)
    {
        QCOMPARE(k.names(), names);
        QCOMPARE(rowTexts(dialog->findChild<QListWidget *>()), names);
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE(k.stamp() > 0, changed);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        QVERIFY(insertStock("600000.SH", "浦发银行", "PFYH"));
        QVERIFY(insertStock("000001.SZ", "平安银行", "PAYH"));
        QVERIFY(insertStock("600519.SH", "贵州茅台", "GZMT"));
        QVERIFY(insertStock("000002.SZ", "万科A", "WKA", 1));
        loadStockCache();
    }
    void init() { resetUserLists(); }

    void newEntry_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed"); // null: the prompt is cancelled
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        const QStringList one{"自选"};
        QTest::newRow("block, trimmed, blank inside") << "block" << "  银行 股 " << "" << QStringList{"自选", "银行 股"} << true;
        QTest::newRow("block, hyphen") << "block" << "A-股" << "" << QStringList{"自选", "A-股"} << true;
        QTest::newRow("block, empty") << "block" << "   " << "错误/请填写板块名!" << one << false;
        QTest::newRow("block, slash") << "block" << "a/b" << "错误/板块名含有不恰当字符!" << one << false;
        QTest::newRow("block, existing") << "block" << "自选" << "" << one << false;
        QTest::newRow("block, cancelled") << "block" << QString() << "" << one << false;
        QTest::newRow("folder") << "favorite" << " 待读 " << "" << QStringList{"自选", "待读"} << true;
        QTest::newRow("folder, comma") << "favorite" << "a,b" << "错误/收藏夹名称含有不恰当字符!" << one << false;
        QTest::newRow("folder, existing") << "favorite" << "自选" << "" << one << false;
    }

    void newEntry()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        k.seed("自选");
        std::unique_ptr<QDialog> dialog(k.make());
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        script.type(typed);
        if (!box.isEmpty())
            script.answer();
        click(dialog.get(), "btnNew");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, box.isEmpty() ? QStringList() : QStringList{box});
        checkOutcome(k, dialog.get(), reload, names, changed);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        const QStringList both{"甲", "乙"};
        for (const char *kind : {"block", "favorite", "subscribe"}) {
            auto row = [&](const char *what) -> QTestData & { return QTest::addRow("%s, %s", kind, what) << QString(kind); };
            row("new name") << " 丙 " << "" << QStringList{"丙", "乙"} << true;
            row("its own name") << "甲" << "" << both << true;
            row("another's name") << "乙" << "" << both << false;
        }
        QTest::newRow("empty") << "favorite" << "" << "错误/请填写收藏夹名称!" << both << false;
        QTest::newRow("improper") << "subscribe" << "甲.乙" << "错误/订阅名称含有不恰当字符!" << both << false;
    }

    void rename()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        std::unique_ptr<QDialog> dialog = openOnTwoEntries(k, "甲");
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        script.type(typed);
        if (!box.isEmpty())
            script.answer();
        click(dialog.get(), "btnRename");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, box.isEmpty() ? QStringList() : QStringList{box});
        checkOutcome(k, dialog.get(), reload, names, changed);
    }

    void remove_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        QTest::newRow("block, yes") << "block" << int(QMessageBox::Yes) << "确认/您确定要删除板块'乙'吗?(删除后无法恢复)"
                                    << QStringList{"甲"} << true;
        QTest::newRow("folder, no") << "favorite" << int(QMessageBox::No) << "确认/您确定要删除收藏夹'乙'吗?(删除后无法恢复)"
                                    << QStringList{"甲", "乙"} << false;
        QTest::newRow("subscription, yes") << "subscribe" << int(QMessageBox::Yes) << "确认/您确定要删除订阅'乙'吗?(删除后无法恢复)"
                                           << QStringList{"甲"} << true;
        QTest::newRow("subscription, escape") << "subscribe" << int(QMessageBox::Cancel)
                                              << "确认/您确定要删除订阅'乙'吗?(删除后无法恢复)" << QStringList{"甲", "乙"} << false;
    }

    void remove()
    {
        QFETCH(QString, kind);
        QFETCH(int, answer);
        QFETCH(QString, box);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        std::unique_ptr<QDialog> dialog = openOnTwoEntries(k, "乙");
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        if (answer == QMessageBox::Cancel)
            script.then<QMessageBox>([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Escape); });
        else
            script.answer(QMessageBox::StandardButton(answer));
        click(dialog.get(), "btnRemove");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, QStringList{box});
        checkOutcome(k, dialog.get(), reload, names, changed);
    }

    // With no row current each button says so and changes nothing.
    void buttonsNeedARow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::newRow("block, rename") << "block" << "btnRename" << "注意/请选择重命名的板块";
        QTest::newRow("block, members") << "block" << "btnManage" << "注意/请选择设置成分股的板块";
        QTest::newRow("block, remove") << "block" << "btnRemove" << "注意/请选择删除的板块";
        QTest::newRow("folder, remove") << "favorite" << "btnRemove" << "注意/请选择删除的收藏夹";
        QTest::newRow("subscription, modify") << "subscribe" << "btnModify" << "注意/请选择修改的订阅";
        QTest::newRow("subscription, rename") << "subscribe" << "btnRename" << "注意/请选择重命名的订阅";
        QTest::newRow("institution, remove") << "inst" << "btnRemove" << "注意/请选择删除的机构";
        QTest::newRow("analyst, remove") << "analyst" << "btnRemove" << "注意/请选择删除的分析师";
        QTest::newRow("member, remove") << "member" << "btnRemoveStock" << "注意/请选择需要删除的股票!";
    }

    void buttonsNeedARow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, button);
        QFETCH(QString, box);
        const Kind k = kindOf(kind);
        std::unique_ptr<QDialog> dialog = openOnTwoEntries(k, "");
        const QStringList rows = rowTexts(dialog->findChild<QListWidget *>()), names = k.names();
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        script.answer();
        click(dialog.get(), qPrintable(button));
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, QStringList{box});
        QCOMPARE(rowTexts(dialog->findChild<QListWidget *>()), rows);
        QCOMPARE(k.names(), names);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(reload.count(), 0);
        QCOMPARE(k.stamp(), qint64(0));
    }

    // The member editor opens on the current block; its OK stamps the blocks without a side-bar reload.
    void memberEditorOpensOnTheChosenBlock()
    {
        addBlockStock("自选", "600519.SH,600000.SH", false);
        addBlockStock("银行", "000001.SZ", false);
        QDlgBlockManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadBlockListOfSidebar()));
        chooseRow(child<QListWidget>(&dialog, "lstBlock"), "自选");
        QStringList rows;
        ModalScript script;
        script.then<QDlgBlockedStock>([&](QDlgBlockedStock *editor) {
            rows = rowTexts(child<QListWidget>(editor, "lstStock"));
            click(editor, "btnOK");
        });
        click(&dialog, "btnManage");
        QVERIFY_SCRIPT(script);
        QCOMPARE(rows, (QStringList{"600000.SH 浦发银行", "600519.SH 贵州茅台"}));
        QCOMPARE(reload.count(), 0);
        QVERIFY(getStockBlockModified() > 0);
    }

    void memberEdits_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("actions"); // "add CODE" ("add": lookup cancelled), "remove CODE", "ok", "cancel"
        QTest::addColumn<QStringList>("rows");    // before "ok"/"cancel"
        QTest::addColumn<QString>("after");       // stored codes afterwards
        QTest::newRow("add and remove, then OK") << "600000.SH,999999.SH" << QStringList{"add 000001", "add 600000", "remove 600000.SH", "ok"}
                                                 << QStringList{"000001.SZ 平安银行"} << "999999.SH,000001.SZ";
        QTest::newRow("cancel keeps the store") << "600000.SH" << QStringList{"add 000001", "remove 600000.SH", "cancel"}
                                                << QStringList{"000001.SZ 平安银行"} << "600000.SH";
        QTest::newRow("a stock the cache lacks") << "" << QStringList{"add 000002", "ok"} << QStringList{"000002.SZ "} << "000002.SZ";
        QTest::newRow("a code stored twice shows once and stays")
            << "600000.SH,600000.SH" << QStringList{"ok"} << QStringList{"600000.SH 浦发银行"} << "600000.SH,600000.SH";
        QTest::newRow("taking it out removes one of the two")
            << "600000.SH,600000.SH" << QStringList{"remove 600000.SH", "ok"} << QStringList() << "600000.SH";
        QTest::newRow("lookup cancelled") << "600000.SH" << QStringList{"add", "ok"} << QStringList{"600000.SH 浦发银行"} << "600000.SH";
    }

    void memberEdits()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, rows);
        QFETCH(QString, after);
        addBlockStock("自选", stored, false);
        QDlgBlockedStock editor;
        editor.setBlock("自选");
        auto *list = child<QListWidget>(&editor, "lstStock");
        ModalScript script;
        for (const QString &action : actions) {
            const QString arg = action.section(' ', 1);
            if (action.startsWith("add")) {
                script.then<QDlgGenius>([arg](QDlgGenius *lookup) {
                    if (arg.isEmpty())
                        lookup->reject();
                    lookup->setKeyword(arg);
                    lookup->accept();
                });
                click(&editor, "btnAddStock");
            } else if (action.startsWith("remove")) {
                list->setCurrentItem(list->findItems(arg, Qt::MatchStartsWith).value(0));
                click(&editor, "btnRemoveStock");
            } else {
                QCOMPARE(rowTexts(list), rows);
                click(&editor, action == "ok" ? "btnOK" : "btnCancel");
            }
        }
        QVERIFY_SCRIPT(script);
        QCOMPARE(buildBlockUploadText(), QString("[{\"nam\":\"%E8%87%AA%E9%80%89\",\"lst\":\"%1\"}]").arg(after));
        QCOMPARE(getStockBlockModified() > 0, actions.last() == "ok");
    }
};

QTEST_MAIN(TestNamedLists)
#include "tst_namedlists.moc"
