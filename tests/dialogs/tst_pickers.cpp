// The institution and analyst pickers and the editors of the concerned lists: what the pickers
// offer and in which order, OK with nothing chosen, and each change with its signal and stamp.

#include "dialogtest.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlginstmanage.h"
#include "qdlginstselect.h"
#include "userlists.h"

#include <QLineEdit>
#include <QRegularExpression>

namespace {

// Chooses the row of that key in the next picker of class T and presses the button.
template <class T>
std::function<void(T *)> pick(const QString &key, const char *button = "btnOk")
{
    return [key, button](T *picker) {
        chooseRow(picker->template findChild<QListWidget *>(), key);
        click(picker, button);
    };
}

} // namespace

class TestPickers : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        // The newest entry is 2026-06-30, so the 180 days reach back to 2026-01-01, that day included.
        int id = 1;
        for (const auto &r : {std::make_pair("长江证券", "2026-06-30 10:00"), {"中信证券", "2026-03-01 09:00"},
                              {"安信证券", "2026-01-01 00:00"}, {"国泰君安", "2025-12-31 23:59"},
                              {"Alpha Research", "2026-02-01 08:00"}, {"abc研究", "2026-02-01 08:00"},
                              {"9号研究", "2026-02-02 08:00"}, {"长城证券", "2026-02-03 08:00"},
                              {"招商证券", "2026-02-04 08:00"}, {"中信证券", "2026-03-02 09:00"},
                              {"中新证券", "2026-03-03 09:00"}})
            QVERIFY(insertReport(FixtureReport{id++, r.second + QString(":00"), QString(), r.first, "STK.COM@CN", "t", "", "", ""}));
        for (const auto &r : {std::make_pair("国信证券", "2026-01-01 00:00:00"), {"海通证券", "2025-12-31 12:00:00"},
                              {"华泰证券", "2026-05-01 00:00:00"}})
            QVERIFY(execSql("insert into T_Rating (Rpt_ID, Ins_Name, Rpt_DtPublish, Stk_Code) values (?, ?, ?, '600000.SH')",
                            {id++, r.first, r.second}));
        QVERIFY(insertAnalyst(1, 101, "张三", "中信证券"));
        QVERIFY(insertAnalyst(2, 102, "李四", "安信证券"));
        QVERIFY(insertAnalyst(3, 103, "Wang", "长江证券"));
        QVERIFY(insertAnalyst(4, 104, "张三丰", "国信证券"));
        QVERIFY(insertAnalyst(5, 105, "旧人", "海通证券", "2025-06-01"));
        loadAnalystCache();
    }
    void init() { resetUserLists(); }

    void institutions_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("rows");
        // By initials: digits, then upper-case letters (长城 and 长江 read CC and CJ), then lower case;
        // of two names with one key the one found later first.
        const QStringList reports{"9 9号研究", "A 安信证券", "A Alpha Research", "C 长城证券", "C 长江证券",
                                  "Z 招商证券", "Z 中新证券", "Z 中信证券", "a abc研究"};
        QTest::newRow("reports") << "" << reports;
        QTest::newRow("rat in lower case is reports") << "rat" << reports;
        QTest::newRow("ratings, counted from the newest report") << "RAT" << QStringList{"G 国信证券", "H 华泰证券"};
    }

    void institutions()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, rows);
        QDlgInstSelect picker(nullptr, kind);
        auto *list = child<QListWidget>(&picker, "lstInst");
        QCOMPARE(rowTexts(list), rows);
        QCOMPARE(rowTexts(list, Qt::UserRole), QStringList(rows).replaceInStrings(QRegularExpression("^. "), ""));
        QCOMPARE(list->currentRow(), -1);
    }

    // The picker is not shown: the script would take a modal dialog of the test for an unexpected one.
    void pickerOK_data()
    {
        QTest::addColumn<bool>("inst");
        QTest::addColumn<QString>("row"); // key of the row made current; empty for none
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("institution, OK") << true << "长江证券" << false;
        QTest::newRow("institution, double-click") << true << "安信证券" << true;
        QTest::newRow("institution, nothing chosen") << true << "" << false;
        QTest::newRow("analyst, OK") << false << "103" << false;
        QTest::newRow("analyst, double-click") << false << "102" << true;
        QTest::newRow("analyst, nothing chosen") << false << "" << false;
    }

    void pickerOK()
    {
        QFETCH(bool, inst);
        QFETCH(QString, row);
        QFETCH(bool, doubleClick);
        std::unique_ptr<QDialog> dialog(inst ? static_cast<QDialog *>(new QDlgInstSelect(nullptr, QString()))
                                             : new QDlgAnalystSelect);
        auto *list = dialog->findChild<QListWidget *>();
        chooseRow(list, row);
        ModalScript script;
        if (row.isEmpty())
            script.answer();
        if (doubleClick)
            emit list->doubleClicked(list->currentIndex());
        else
            click(dialog.get(), "btnOk");
        QVERIFY_SCRIPT(script);
        // Nothing chosen: the picker says so and stays open with an empty choice.
        QCOMPARE(script.boxes, row.isEmpty() ? QStringList{inst ? "注意/请选择机构" : "注意/请选择分析师"} : QStringList());
        QCOMPARE(dialog->result(), int(row.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(inst ? static_cast<QDlgInstSelect *>(dialog.get())->getSelectedInst()
                      : static_cast<QDlgAnalystSelect *>(dialog.get())->getSelectedAnalyst(),
                 row);
    }

    void manageInstitutions()
    {
        addToConcernedInstList("中信证券");
        clearUserListStamps();
        QDlgInstManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadConcernedInstListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstInst");
        ModalScript script;
        script.then<QDlgInstSelect>(pick<QDlgInstSelect>("长江证券"))                 // added at its place by initials
            .then<QDlgInstSelect>(pick<QDlgInstSelect>("中信证券"))                   // already there
            .then<QDlgInstSelect>(pick<QDlgInstSelect>("安信证券", "btnCancel"))      // cancelled
            .then<QDlgInstSelect>(pick<QDlgInstSelect>(""))                           // nothing chosen: stays open
            .answer()
            .then<QDlgInstSelect>([](QDlgInstSelect *p) { p->reject(); });
        click(&dialog, "btnAdd");
        QCOMPARE(rowTexts(list), (QStringList{"C 长江证券", "Z 中信证券"}));
        QCOMPARE(reload.count(), 1);
        QVERIFY(getConcernedInstModified() > 0);
        clearUserListStamps();
        for (int i = 0; i < 3; ++i)
            click(&dialog, "btnAdd");
        QVERIFY_SCRIPT(script);
        QCOMPARE(reload.count(), 1);
        QCOMPARE(getConcernedInstModified(), qint64(0));
        QCOMPARE(getConcernedInstList(), (QStringList{"长江证券", "中信证券"}));

        chooseRow(list, "长江证券");
        click(&dialog, "btnRemove");
        QCOMPARE(rowTexts(list), QStringList{"Z 中信证券"});
        QCOMPARE(reload.count(), 2);
        QVERIFY(getConcernedInstModified() > 0);
    }

    void searchAnalysts_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("rows");
        const QStringList all{"[中信证券]张三", "[安信证券]李四", "[长江证券]Wang", "[国信证券]张三丰"};
        QTest::newRow("none: every analyst in cache order") << "   " << all;
        QTest::newRow("part of the name, blanks around") << " 张三 " << QStringList{"[中信证券]张三", "[国信证券]张三丰"};
        QTest::newRow("case-sensitive") << "wang" << QStringList();
        QTest::newRow("not the institution") << "中信证券" << QStringList();
        QTest::newRow("not an older snapshot") << "旧人" << QStringList();
    }

    void searchAnalysts()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, rows);
        QDlgAnalystSelect picker;
        auto *list = child<QListWidget>(&picker, "lstAnalyst");
        auto *edit = child<QLineEdit>(&picker, "edtKeyword");
        const QStringList before = rowTexts(list);
        edit->setText(keyword);
        QCOMPARE(rowTexts(list), before);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(rowTexts(list), rows);
        list->clear();
        click(&picker, "btnSearch");
        QCOMPARE(rowTexts(list), rows);
    }

    void manageAnalysts()
    {
        addToConcernedAnalystList("104");
        addToConcernedAnalystList("999"); // no longer in the analyst data
        clearUserListStamps();
        QDlgAnalystManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadConcernedAnalystListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstAnalyst");
        QCOMPARE(rowTexts(list), (QStringList{"[国信证券]张三丰", "[]"}));
        ModalScript script;
        script.then<QDlgAnalystSelect>(pick<QDlgAnalystSelect>("101")).then<QDlgAnalystSelect>(pick<QDlgAnalystSelect>("104"));
        click(&dialog, "btnAdd");
        QCOMPARE(reload.count(), 1);
        QVERIFY(getConcernedAnalystModified() > 0);
        clearUserListStamps();
        click(&dialog, "btnAdd"); // already there
        QCOMPARE(reload.count(), 1);
        QCOMPARE(getConcernedAnalystModified(), qint64(0));
        // Removed and added again, an analyst moves to the end; an unknown uid can be removed.
        chooseRow(list, "104");
        click(&dialog, "btnRemove");
        chooseRow(list, "999");
        click(&dialog, "btnRemove");
        script.then<QDlgAnalystSelect>(pick<QDlgAnalystSelect>("104"));
        click(&dialog, "btnAdd");
        QVERIFY_SCRIPT(script);
        QCOMPARE(rowTexts(list), (QStringList{"[中信证券]张三", "[国信证券]张三丰"}));
        QCOMPARE(getConcernedAnalystList(), (QStringList{"101", "104"}));
        QCOMPARE(reload.count(), 4);
        QVERIFY(getConcernedAnalystModified() > 0);
    }
};

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
