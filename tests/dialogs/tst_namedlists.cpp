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

#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>

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
    return {[] { return new QDlgAnalystManage; }, SIGNAL(loadConcernedAnalystListOfSidebar()),
            getConcernedAnalystModified, getConcernedAnalystList, [](const QString &n) { addToConcernedAnalystList(n); }};
}

// A label like the given one, its text taken in the given format, as painted.
QImage lookalike(QLabel *label, Qt::TextFormat format)
{
    QLabel copy;
    copy.setTextFormat(format);
    copy.setText(label->text());
    copy.setFont(label->font());
    copy.setPalette(label->palette());
    copy.setWordWrap(label->wordWrap());
    copy.setAlignment(label->alignment());
    copy.setIndent(label->indent());
    copy.setMargin(label->margin());
    copy.setContentsMargins(label->contentsMargins());
    copy.setTextInteractionFlags(label->textInteractionFlags());
    copy.resize(label->size());
    return copy.grab().toImage();
}

int differingPixels(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return x.width() * x.height();
    int count = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            count += x.pixel(col, row) != y.pixel(col, row);
    return count;
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

    // act: "kind Button row" (no row: none current); typed: at the name prompt (null cancels it);
    // answer: to the message box (0: none; Cancel: Escape); last: the last prompt, box or dialog seen.
    void edits_data()
    {
        QTest::addColumn<QString>("act");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("changed");
        const QStringList both{"甲", "乙"};
        const int ok = QMessageBox::Ok, yes = QMessageBox::Yes;
        QTest::newRow("block, new, trimmed") << "block New" << " 银行 股 " << 0 << "新建板块/请输入板块名" << QStringList{"甲", "乙", "银行 股"} << true;
        QTest::newRow("block, new, hyphen") << "block New" << "A-股" << 0 << "新建板块/请输入板块名" << QStringList{"甲", "乙", "A-股"} << true;
        QTest::newRow("block, new, empty") << "block New" << "   " << ok << "错误/请填写板块名!" << both << false;
        QTest::newRow("block, new, slash") << "block New" << "a/b" << ok << "错误/板块名含有不恰当字符!" << both << false;
        QTest::newRow("block, new, existing") << "block New" << "甲" << 0 << "新建板块/请输入板块名" << both << false;
        QTest::newRow("block, new, cancelled") << "block New" << QString() << 0 << "新建板块/请输入板块名" << both << false;
        // Control characters are refused like punctuation: unseen in the list, yet stored and uploaded.
        QTest::newRow("block, new, control character") << "block New" << "x\x01y" << ok << "错误/板块名含有不恰当字符!" << both << false;
        QTest::newRow("folder, new, tab inside") << "favorite New" << "待\t读" << ok << "错误/收藏夹名称含有不恰当字符!" << both << false;
        QTest::newRow("subscription, rename, delete character") << "subscribe Rename 甲" << "丙\x7f" << ok << "错误/订阅名称含有不恰当字符!" << both << false;
        QTest::newRow("folder, new") << "favorite New" << " 待读 " << 0 << "新建收藏夹/请输入收藏夹名称" << QStringList{"甲", "乙", "待读"} << true;
        QTest::newRow("folder, new, comma") << "favorite New" << "a,b" << ok << "错误/收藏夹名称含有不恰当字符!" << both << false;
        QTest::newRow("folder, new, existing") << "favorite New" << "乙" << 0 << "新建收藏夹/请输入收藏夹名称" << both << false;
        const struct { const char *kind, *prompt, *taken; } kinds[] = {{"block", "重命名板块/请输入新的板块名", "错误/板块名已存在!"},
            {"favorite", "重命名收藏夹/请输入新的收藏夹名称", "错误/收藏夹名称已存在!"},
            {"subscribe", "重命名订阅/请输入新的订阅名称", "错误/订阅名称已存在!"}};
        for (const auto &k : kinds) {
            auto row = [&](const char *what) -> QTestData & { return QTest::addRow("%s, rename, %s", k.kind, what) << QString(k.kind) + " Rename 甲"; };
            row("new name") << " 丙 " << 0 << k.prompt << QStringList{"丙", "乙"} << true;
            row("its own name") << "甲" << 0 << k.prompt << both << true;
            // Refused with a word: every operation by name would reach only the first of the two.
            row("another's name") << "乙" << ok << k.taken << both << false;
        }
        QTest::newRow("folder, rename, empty") << "favorite Rename 甲" << "" << ok << "错误/请填写收藏夹名称!" << both << false;
        QTest::newRow("subscription, rename, improper") << "subscribe Rename 甲" << "甲.乙" << ok << "错误/订阅名称含有不恰当字符!" << both << false;
        const QString sure = "确认/您确定要删除%1'甲'吗?(删除后无法恢复)";
        QTest::newRow("block, remove") << "block Remove 甲" << "" << yes << sure.arg("板块") << QStringList{"乙"} << true;
        QTest::newRow("folder, remove, no") << "favorite Remove 甲" << "" << int(QMessageBox::No) << sure.arg("收藏夹") << both << false;
        QTest::newRow("subscription, remove") << "subscribe Remove 甲" << "" << yes << sure.arg("订阅") << QStringList{"乙"} << true;
        QTest::newRow("subscription, remove, escape") << "subscribe Remove 甲" << "" << int(QMessageBox::Cancel) << sure.arg("订阅") << both << false;
        // The member editor opens on the current block; its OK stamps the blocks but reloads no side bar.
        QTest::newRow("block, members") << "block Manage 乙" << "" << 0 << "[乙]板块成分股" << both << true;
        // With no row current each button says so and changes nothing.
        QTest::newRow("block, rename, no row") << "block Rename" << "" << ok << "注意/请选择重命名的板块" << both << false;
        QTest::newRow("block, members, no row") << "block Manage" << "" << ok << "注意/请选择设置成分股的板块" << both << false;
        QTest::newRow("block, remove, no row") << "block Remove" << "" << ok << "注意/请选择删除的板块" << both << false;
        QTest::newRow("folder, remove, no row") << "favorite Remove" << "" << ok << "注意/请选择删除的收藏夹" << both << false;
        QTest::newRow("subscription, modify, no row") << "subscribe Modify" << "" << ok << "注意/请选择修改的订阅" << both << false;
        QTest::newRow("subscription, rename, no row") << "subscribe Rename" << "" << ok << "注意/请选择重命名的订阅" << both << false;
        QTest::newRow("institution, remove, no row") << "inst Remove" << "" << ok << "注意/请选择删除的机构" << both << false;
        QTest::newRow("analyst, remove, no row") << "analyst Remove" << "" << ok << "注意/请选择删除的分析师" << both << false;
    }

    void edits()
    {
        QFETCH(QString, act);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, last);
        QFETCH(QStringList, names);
        QFETCH(bool, changed);
        const QString button = act.section(' ', 1, 1), row = act.section(' ', 2);
        const Kind k = kindOf(act.section(' ', 0, 0));
        k.seed("甲");
        k.seed("乙");
        clearUserListStamps();
        std::unique_ptr<QDialog> dialog(k.make());
        auto *list = dialog->findChild<QListWidget *>();
        chooseRow(list, row);
        QSignalSpy reload(dialog.get(), k.signal);
        ModalScript script;
        if (button == "New" || (button == "Rename" && !row.isEmpty()))
            script.type(typed);
        if (button == "Manage" && !row.isEmpty())
            script.then<QDialog>([](QDialog *editor) { click(editor, "btnOK"); });
        if (answer == QMessageBox::Cancel)
            script.then<QMessageBox>([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Escape); });
        else if (answer)
            script.answer(QMessageBox::StandardButton(answer));
        click(dialog.get(), qPrintable("btn" + button));
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.seen.last(), last);
        QCOMPARE(k.names(), names);
        const QStringList keys = rowTexts(list, Qt::UserRole);
        QCOMPARE(keys.join("").isEmpty() ? rowTexts(list) : keys, names);
        QCOMPARE(reload.count(), int(changed && button != "Manage"));
        QCOMPARE(k.stamp() > 0, changed);
    }

    // A name from the service may hold markup: the delete question shows it as it is, painted
    // exactly as a plain-text label of the same text would be.
    void markupInNamesShowsAsTyped_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("noun");
        QTest::newRow("block") << "block" << "板块";
        QTest::newRow("folder") << "favorite" << "收藏夹";
        QTest::newRow("subscription") << "subscribe" << "订阅";
    }

    void markupInNamesShowsAsTyped()
    {
        QFETCH(QString, kind);
        QFETCH(QString, noun);
        const QString name = "<b>甲</b><br>乙";
        const Kind k = kindOf(kind);
        k.seed(name);
        std::unique_ptr<QDialog> dialog(k.make());
        chooseRow(dialog->findChild<QListWidget *>(), name);
        ModalScript script;
        int plainDiff = -1, richDiff = -1;
        script.then<QMessageBox>([&](QMessageBox *box) {
            auto *label = box->findChild<QLabel *>("qt_msgbox_label");
            const QImage shown = label->grab().toImage();
            plainDiff = differingPixels(shown, lookalike(label, Qt::PlainText));
            richDiff = differingPixels(shown, lookalike(label, Qt::RichText));
            box->button(QMessageBox::No)->click();
        });
        click(dialog.get(), "btnRemove");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, QStringList{"确认/您确定要删除" + noun + "'" + name + "'吗?(删除后无法恢复)"});
        QVERIFY2(plainDiff >= 0 && plainDiff < richDiff, qPrintable(QString("the name's markup was rendered: %1 pixels "
                 "differ from the plain text, %2 from the rendered markup").arg(plainDiff).arg(richDiff)));
        QVERIFY(k.names().contains(name));
    }

    // actions: "+CODE" adds through the lookup ("+": lookup cancelled; "+CODE!": the editor refuses
    // it with a box), "-CODE" takes the row out
    // ("-": no row current, the editor says so), then "ok" or "cancel"; rows: before the last action.
    void memberEdits_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("after"); // stored codes afterwards
        const QStringList one{"600000.SH 浦发银行"};
        QTest::newRow("add and remove, then OK") << "600000.SH,999999.SH" << "+000001 +600000 -600000.SH ok" << QStringList{"000001.SZ 平安银行"} << "999999.SH,000001.SZ";
        QTest::newRow("cancel keeps the store") << "600000.SH" << "+000001 -600000.SH cancel" << QStringList{"000001.SZ 平安银行"} << "600000.SH";
        // A delisted stock is refused with a word (the box is answered), not added to vanish later.
        QTest::newRow("a delisted stock") << "" << "+000002! ok" << QStringList() << "";
        QTest::newRow("a code stored twice shows once and stays") << "600000.SH,600000.SH" << "ok" << one << "600000.SH,600000.SH";
        QTest::newRow("taking it out removes one of the two") << "600000.SH,600000.SH" << "-600000.SH ok" << QStringList() << "600000.SH";
        QTest::newRow("lookup cancelled, no row to remove") << "600000.SH" << "+ - ok" << one << "600000.SH";
    }

    void memberEdits()
    {
        QFETCH(QString, stored);
        QFETCH(QString, actions);
        QFETCH(QStringList, rows);
        QFETCH(QString, after);
        addBlockStock("自选", stored, false);
        QDlgBlockedStock editor;
        editor.setBlock("自选");
        auto *list = child<QListWidget>(&editor, "lstStock");
        ModalScript script;
        for (const QString &action : actions.split(' ')) {
            const QString arg = action.mid(1).remove('!');
            if (action.startsWith('+')) {
                script.then<QDlgGenius>([arg](QDlgGenius *lookup) {
                    lookup->setKeyword(arg);
                    arg.isEmpty() ? lookup->reject() : lookup->accept();
                });
                if (action.endsWith('!'))
                    script.answer();
                click(&editor, "btnAddStock");
            } else if (action.startsWith('-')) {
                if (arg.isEmpty())
                    script.answer();
                list->setCurrentItem(arg.isEmpty() ? nullptr : list->findItems(arg, Qt::MatchStartsWith).value(0));
                click(&editor, "btnRemoveStock");
            } else {
                QCOMPARE(rowTexts(list), rows);
                click(&editor, action == "ok" ? "btnOK" : "btnCancel");
            }
        }
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes.filter("已退市"), actions.contains('!') ? QStringList{"注意/股票000002.SZ已退市，不能加入板块!"} : QStringList());
        QCOMPARE(buildBlockUploadText(), QString("[{\"nam\":\"%E8%87%AA%E9%80%89\",\"lst\":\"%1\"}]").arg(after));
        QCOMPARE(getStockBlockModified() > 0, actions.endsWith("ok"));
    }

    // A stock added by typing its code in the lookup and pressing Enter joins the block when it is
    // listed; otherwise the editor says why, truly: delisted, not in the stock table, or the table
    // unreadable. change: what happens to the table while the lookup is open; rows: the members
    // the editor shows when opened again after OK.
    void addingAStockSaysWhatIsTrue_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("a listed stock") << "600519" << "" << "" << QStringList{"600519.SH 贵州茅台"};
        QTest::newRow("a delisted stock") << "000002" << "" << "注意/股票000002.SZ已退市，不能加入板块!" << QStringList();
        QTest::newRow("a stock gone from the table") << "600519" << "gone" << "注意/股票600519.SH不存在，不能加入板块!" << QStringList();
        // Listed in the table since the stock cache was loaded: added under its name, and kept.
        QTest::newRow("a stock newer than the cache") << "300750" << "" << "" << QStringList{"300750.SZ 宁德时代"};
        QTest::newRow("the table unreadable") << "600519" << "unreadable" << "注意/读取股票600519.SH失败，不能加入板块!" << QStringList();
    }

    void addingAStockSaysWhatIsTrue()
    {
        QFETCH(QString, typed);
        QFETCH(QString, change);
        QFETCH(QString, box);
        QFETCH(QStringList, rows);
        QVERIFY(insertStock("300750.SZ", "宁德时代", "NDSD"));
        const auto restore = qScopeGuard([&] {
            if (change == "gone")
                insertStock("600519.SH", "贵州茅台", "GZMT");
            if (change == "unreadable")
                execSql("alter table T_Stock_Aside rename to T_Stock");
            execSql("delete from T_Stock where Stk_Code = '300750.SZ'");
            loadStockCache();
        });
        addBlockStock("自选", QString(), false);
        {
            QDlgBlockedStock editor;
            editor.setBlock("自选");
            editor.show();
            QVERIFY(QTest::qWaitForWindowExposed(&editor));
            ModalScript script;
            script.then<QDlgGenius>([&](QDlgGenius *lookup) {
                auto *keyword = child<QLineEdit>(lookup, "edtKeyword");
                QTest::keyClicks(keyword, typed);
                if (change == "gone")
                    execSql("delete from T_Stock where Stk_Code = '600519.SH'");
                else if (change == "unreadable")
                    execSql("alter table T_Stock rename to T_Stock_Aside");
                QTest::keyClick(keyword, Qt::Key_Return);
            });
            if (!box.isEmpty())
                script.answer();
            QTest::mouseClick(child<QPushButton>(&editor, "btnAddStock"), Qt::LeftButton);
            QCOMPARE(script.boxes, box.isEmpty() ? QStringList() : QStringList{box});
            QVERIFY_SCRIPT(script);
            QTest::mouseClick(child<QPushButton>(&editor, "btnOK"), Qt::LeftButton);
        }
        QDlgBlockedStock again;
        again.setBlock("自选");
        QCOMPARE(rowTexts(child<QListWidget>(&again, "lstStock")), rows);
    }
};

QTEST_MAIN(TestNamedLists)
#include "tst_namedlists.moc"
