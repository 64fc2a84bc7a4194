// The editors of the named lists (stock blocks, favourite folders, subscriptions): new, rename and
// remove with their refusals, the side-bar signal and the upload stamp; the block member editor.

#include "dialogtest.h"
#include "qdlgblockedstock.h"
#include "qdlgblockmanage.h"
#include "qdlgfavoritemanage.h"
#include "qdlggenius.h"
#include "qdlgsubscribemanage.h"
#include "subscribecontent.h"
#include "userlists.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

namespace {

struct Kind
{
    std::function<QDialog *()> make;
    const char *signal;
    const char *list;
    std::function<qint64()> stamp;
    std::function<QStringList()> names;
    std::function<void(const QString &)> seed;
};

Kind kindOf(const QString &name)
{
    if (name == "block")
        return {[] { return new QDlgBlockManage; }, SIGNAL(loadBlockListOfSidebar()), "lstBlock", getStockBlockModified,
                getBlockNameList, [](const QString &n) { addBlockStock(n, QString(), false); }};
    if (name == "favorite")
        return {[] { return new QDlgFavoriteManage; }, SIGNAL(loadFavoriteListOfSidebar()), "lstFavorite",
                getReportFavoriteModified, getFavoriteNameList, [](const QString &n) { addFavoriteReport(n, "0", false); }};
    return {[] { return new QDlgSubscribeManage; }, SIGNAL(loadSubscribeListOfSidebar()), "lstSubscribe",
            getReportSubscribeModified, getSubscribeNameList,
            [](const QString &n) { addSubscribe(n, encodeSubscribeContent(R"({"ttl":"x","ins":"","anl":"","cod":""})"), false); }};
}

// Selects the row of that text; none for an empty text.
void selectRow(QDialog *dialog, const char *listName, const QString &text)
{
    auto *list = child<QListWidget>(dialog, listName);
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
}

// The editor over the entries 甲 and 乙, with the row of that text current.
std::unique_ptr<QDialog> openOnTwoEntries(const Kind &k, const QString &row)
{
    k.seed("甲");
    k.seed("乙");
    std::unique_ptr<QDialog> dialog(k.make());
    selectRow(dialog.get(), k.list, row);
    return dialog;
}

QString blockUpload()
{
    return buildBlockUploadText();
}

} // namespace

class TestNamedLists : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

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
        QTest::addColumn<bool>("typed");          // false: the prompt is cancelled
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");         // signal once and stamped
        const QStringList none;
        QTest::newRow("block, trimmed, blank inside") << "block" << true << "  银行 股 " << none << QStringList{"自选", "银行 股"} << true;
        QTest::newRow("block, hyphen") << "block" << true << "A-股" << none << QStringList{"自选", "A-股"} << true;
        QTest::newRow("block, empty") << "block" << true << "   " << QStringList{"错误/请填写板块名!"} << QStringList{"自选"} << false;
        QTest::newRow("block, slash") << "block" << true << "a/b" << QStringList{"错误/板块名含有不恰当字符!"} << QStringList{"自选"} << false;
        QTest::newRow("block, existing") << "block" << true << "自选" << none << QStringList{"自选"} << false;
        QTest::newRow("block, cancelled") << "block" << false << "" << none << QStringList{"自选"} << false;
        QTest::newRow("folder") << "favorite" << true << " 待读 " << none << QStringList{"自选", "待读"} << true;
        QTest::newRow("folder, empty") << "favorite" << true << "" << QStringList{"错误/请填写收藏夹名称!"} << QStringList{"自选"} << false;
        QTest::newRow("folder, comma") << "favorite" << true << "a,b" << QStringList{"错误/收藏夹名称含有不恰当字符!"} << QStringList{"自选"} << false;
        QTest::newRow("folder made here") << "favorite" << true << "自选" << none << QStringList{"自选"} << false;
    }

    void newEntry()
    {
        QFETCH(QString, kind);
        QFETCH(bool, typed);
        QFETCH(QString, text);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        k.seed("自选");
        std::unique_ptr<QDialog> dialog(k.make());
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        if (typed)
            script.type(text);
        else
            script.cancelInput();
        for (int i = 0; i < boxes.size(); ++i)
            script.answer();
        child<QPushButton>(dialog.get(), "btnNew")->click();
        QVERIFY(script.finished());
        QCOMPARE(script.unexpected, QStringList());
        QCOMPARE(script.seen.first().title, kind == "block" ? QString("新建板块") : QString("新建收藏夹"));
        QCOMPARE(script.seen.first().text, kind == "block" ? QString("请输入板块名") : QString("请输入收藏夹名称"));
        QCOMPARE(script.boxes(), boxes);
        QCOMPARE(k.names(), names);
        QCOMPARE(rowTexts(child<QListWidget>(dialog.get(), k.list)), names);
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE(k.stamp() > 0, changed);
    }

    void newBlockIsEmptyAndNewFolderHoldsZero()
    {
        QDlgBlockManage blocks;
        QDlgFavoriteManage folders;
        ModalScript script;
        script.type("自选").type("待读");
        child<QPushButton>(&blocks, "btnNew")->click();
        child<QPushButton>(&folders, "btnNew")->click();
        QCOMPARE(blockUpload(), QString(R"([{"nam":"%E8%87%AA%E9%80%89","lst":""}])"));
        QCOMPARE(getFavoriteReportIds("待读"), QStringList{"0"});
    }

    void newFolderOfAnExistingName()
    {
        addFavoriteReport("待读", "5", false);
        QDlgFavoriteManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadFavoriteListOfSidebar()));
        ModalScript script;
        script.type("待读").type("待读");
        child<QPushButton>(&dialog, "btnNew")->click();
        QCOMPARE(getFavoriteReportIds("待读"), (QStringList{"5", "0"}));
        QCOMPARE(reload.count(), 1);
        QVERIFY(getReportFavoriteModified() > 0);
        clearUserListStamps();
        child<QPushButton>(&dialog, "btnNew")->click();
        QCOMPARE(getFavoriteNameList(), QStringList{"待读"});
        QCOMPARE(reload.count(), 1);
        QCOMPARE(getReportFavoriteModified(), qint64(0));
        QCOMPARE(script.unexpected, QStringList());
    }

    void rename_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("seen");   // title/text of every prompt and box
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        const struct
        {
            const char *kind, *noun, *word;
        } kinds[] = {{"block", "板块", "板块名"}, {"favorite", "收藏夹", "收藏夹名称"}, {"subscribe", "订阅", "订阅名称"}};
        for (const auto &k : kinds) {
            const QString noun = QString::fromUtf8(k.noun), word = QString::fromUtf8(k.word);
            const QString prompt = "重命名" + noun + "/请输入新的" + word;
            auto row = [&](const char *what) -> QTestData & { return QTest::newRow(qPrintable(QString(k.kind) + ", " + what)) << QString(k.kind); };
            row("new name") << "甲" << " 丙 " << QStringList{prompt} << QStringList{"丙", "乙"} << true;
            row("its own name") << "甲" << "甲" << QStringList{prompt} << QStringList{"甲", "乙"} << true;
            row("another's name") << "甲" << "乙" << QStringList{prompt} << QStringList{"甲", "乙"} << false;
            row("empty") << "甲" << "" << QStringList{prompt, "错误/请填写" + word + "!"} << QStringList{"甲", "乙"} << false;
            row("improper") << "甲" << "甲.乙" << QStringList{prompt, "错误/" + word + "含有不恰当字符!"} << QStringList{"甲", "乙"} << false;
            row("no row") << "" << "" << QStringList{"注意/请选择重命名的" + noun} << QStringList{"甲", "乙"} << false;
        }
    }

    void rename()
    {
        QFETCH(QString, kind);
        QFETCH(QString, row);
        QFETCH(QString, text);
        QFETCH(QStringList, seen);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        std::unique_ptr<QDialog> dialog = openOnTwoEntries(k, row);
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        if (!row.isEmpty())
            script.type(text);
        for (int i = row.isEmpty() ? 0 : 1; i < seen.size(); ++i)
            script.answer();
        child<QPushButton>(dialog.get(), "btnRename")->click();
        QVERIFY(script.finished());
        QCOMPARE(script.unexpected, QStringList());
        QStringList shown;
        for (const ModalScript::Seen &s : script.seen)
            shown << s.title + '/' + s.text;
        QCOMPARE(shown, seen);
        QCOMPARE(k.names(), names);
        QCOMPARE(rowTexts(child<QListWidget>(dialog.get(), k.list)), names);
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE(k.stamp() > 0, changed);
    }

    void remove_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        QTest::newRow("block, yes") << "block" << "乙" << int(QMessageBox::Yes) << "确认/您确定要删除板块'乙'吗?(删除后无法恢复)"
                                    << QStringList{"甲"} << true;
        QTest::newRow("block, no") << "block" << "乙" << int(QMessageBox::No) << "确认/您确定要删除板块'乙'吗?(删除后无法恢复)"
                                   << QStringList{"甲", "乙"} << false;
        QTest::newRow("block, no row") << "block" << "" << int(QMessageBox::Ok) << "注意/请选择删除的板块" << QStringList{"甲", "乙"} << false;
        QTest::newRow("folder, yes") << "favorite" << "甲" << int(QMessageBox::Yes)
                                     << "确认/您确定要删除收藏夹'甲'吗?(删除后无法恢复)" << QStringList{"乙"} << true;
        QTest::newRow("folder, no row") << "favorite" << "" << int(QMessageBox::Ok) << "注意/请选择删除的收藏夹"
                                        << QStringList{"甲", "乙"} << false;
        QTest::newRow("subscription, yes") << "subscribe" << "甲" << int(QMessageBox::Yes)
                                           << "确认/您确定要删除订阅'甲'吗?(删除后无法恢复)" << QStringList{"乙"} << true;
        QTest::newRow("subscription, escape") << "subscribe" << "甲" << int(QMessageBox::Cancel)
                                              << "确认/您确定要删除订阅'甲'吗?(删除后无法恢复)" << QStringList{"甲", "乙"} << false;
        QTest::newRow("subscription, no row") << "subscribe" << "" << int(QMessageBox::Ok) << "注意/请选择删除的订阅"
                                              << QStringList{"甲", "乙"} << false;
    }

    void remove()
    {
        QFETCH(QString, kind);
        QFETCH(QString, row);
        QFETCH(int, answer);
        QFETCH(QString, box);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const Kind k = kindOf(kind);
        std::unique_ptr<QDialog> dialog = openOnTwoEntries(k, row);
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        if (answer == QMessageBox::Cancel)
            script.then<QMessageBox>([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Escape); });
        else
            script.answer(QMessageBox::StandardButton(answer));
        child<QPushButton>(dialog.get(), "btnRemove")->click();
        QVERIFY(script.finished());
        QCOMPARE(script.boxes(), QStringList{box});
        QCOMPARE(k.names(), names);
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE(k.stamp() > 0, changed);
    }

    void membersNeedARow()
    {
        addBlockStock("自选", "600000.SH", false);
        QDlgBlockManage dialog;
        ModalScript script;
        script.answer();
        child<QPushButton>(&dialog, "btnManage")->click();
        QCOMPARE(script.boxes(), QStringList{"注意/请选择设置成分股的板块"});
        QCOMPARE(script.unexpected, QStringList());
    }

    void memberEditorOpensOnTheChosenBlock()
    {
        addBlockStock("自选", "600519.SH,600000.SH", false);
        addBlockStock("银行", "000001.SZ", false);
        QDlgBlockManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadBlockListOfSidebar()));
        selectRow(&dialog, "lstBlock", "自选");
        QStringList rows;
        ModalScript script;
        script.then<QDlgBlockedStock>([&](QDlgBlockedStock *editor) {
            rows = rowTexts(child<QListWidget>(editor, "lstStock"));
            rows.prepend(editor->windowTitle());
            child<QPushButton>(editor, "btnOK")->click();
        });
        child<QPushButton>(&dialog, "btnManage")->click();
        QVERIFY(script.finished());
        QCOMPARE(rows, (QStringList{"[自选]板块成分股", "600000.SH 浦发银行", "600519.SH 贵州茅台"}));
        QCOMPARE(reload.count(), 0);
        // "确定" without any edit stamps the blocks all the same.
        QVERIFY(getStockBlockModified() > 0);
    }

    void memberEdits_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("actions");   // "add CODE", "remove CODE", "ok", "cancel"
        QTest::addColumn<QStringList>("rows");      // before "ok"/"cancel"
        QTest::addColumn<QString>("after");         // stored code text afterwards
        QTest::addColumn<bool>("stamped");
        QTest::newRow("add and remove, then OK")
            << "600000.SH,999999.SH" << QStringList{"add 000001", "add 600000", "remove 600000.SH", "ok"}
            << QStringList{"000001.SZ 平安银行"} << "999999.SH,000001.SZ" << true;
        QTest::newRow("cancel keeps the store")
            << "600000.SH" << QStringList{"add 000001", "remove 600000.SH", "cancel"} << QStringList{"000001.SZ 平安银行"}
            << "600000.SH" << false;
        QTest::newRow("a stock the cache lacks is stored")
            << "" << QStringList{"add 000002", "ok"} << QStringList{"000002.SZ "} << "000002.SZ" << true;
        QTest::newRow("a code stored twice shows once and stays")
            << "600000.SH,600000.SH" << QStringList{"ok"} << QStringList{"600000.SH 浦发银行"} << "600000.SH,600000.SH" << true;
        QTest::newRow("taking it out removes one of the two")
            << "600000.SH,600000.SH" << QStringList{"remove 600000.SH", "ok"} << QStringList() << "600000.SH" << true;
        QTest::newRow("lookup cancelled") << "600000.SH" << QStringList{"add", "ok"} << QStringList{"600000.SH 浦发银行"}
                                          << "600000.SH" << true;
    }

    void memberEdits()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, rows);
        QFETCH(QString, after);
        QFETCH(bool, stamped);
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
                child<QPushButton>(&editor, "btnAddStock")->click();
            } else if (action.startsWith("remove")) {
                list->setCurrentItem(list->findItems(arg, Qt::MatchStartsWith).value(0));
                child<QPushButton>(&editor, "btnRemoveStock")->click();
            } else {
                QCOMPARE(rowTexts(list), rows);
                child<QPushButton>(&editor, action == "ok" ? "btnOK" : "btnCancel")->click();
            }
        }
        QVERIFY(script.finished());
        QCOMPARE(script.unexpected, QStringList());
        QCOMPARE(blockUpload(), QStringLiteral("[{\"nam\":\"%E8%87%AA%E9%80%89\",\"lst\":\"%1\"}]").arg(after));
        QCOMPARE(getStockBlockModified() > 0, stamped);
    }

    void removingAStockNeedsARow()
    {
        addBlockStock("自选", "600000.SH", false);
        QDlgBlockedStock editor;
        editor.setBlock("自选");
        ModalScript script;
        script.answer();
        child<QPushButton>(&editor, "btnRemoveStock")->click();
        QCOMPARE(script.boxes(), QStringList{"注意/请选择需要删除的股票!"});
        QCOMPARE(rowTexts(child<QListWidget>(&editor, "lstStock")), QStringList{"600000.SH 浦发银行"});
    }
};

QTEST_MAIN(TestNamedLists)
#include "tst_namedlists.moc"
