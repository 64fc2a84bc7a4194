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
        const char *analysts[][2] = {{"张三", "中信证券"}, {"李四", "安信证券"}, {"Wang", "长江证券"}, {"张三丰", "国信证券"}};
        for (int i = 0; i < 4; ++i)
            QVERIFY(insertAnalyst(i + 1, 101 + i, analysts[i][0], analysts[i][1]));
        QVERIFY(insertAnalyst(5, 105, "旧人", "海通证券", "2025-06-01"));
        loadAnalystCache();
    }
    void init() { resetUserLists(); }

    // What a picker offers: institutions of the reports or ratings in initials order, analysts found
    // by a keyword (Return or 搜索; none before).
    void offered_data()
    {
        QTest::addColumn<QString>("picker"); // the institution picker's kind, or "analysts KEYWORD"
        QTest::addColumn<QStringList>("rows");
        // By initials: digits, then upper-case letters (长城 and 长江 read CC and CJ), then lower case;
        // of two names with one key the one found later first.
        const QStringList reports{"9 9号研究", "A 安信证券", "A Alpha Research", "C 长城证券", "C 长江证券",
                                  "Z 招商证券", "Z 中新证券", "Z 中信证券", "a abc研究"};
        QTest::newRow("reports") << "" << reports;
        QTest::newRow("rat in lower case is reports") << "rat" << reports;
        QTest::newRow("ratings, counted from the newest report") << "RAT" << QStringList{"G 国信证券", "H 华泰证券"};
        QTest::newRow("analysts, no keyword: all in cache order") << "analysts    " << QStringList{"[中信证券]张三", "[安信证券]李四", "[长江证券]Wang", "[国信证券]张三丰"};
        QTest::newRow("analysts, part of the name, blanks around") << "analysts  张三 " << QStringList{"[中信证券]张三", "[国信证券]张三丰"};
        QTest::newRow("analysts, case-sensitive") << "analysts wang" << QStringList();
        QTest::newRow("analysts, not the institution") << "analysts 中信证券" << QStringList();
        QTest::newRow("analysts, not an older snapshot") << "analysts 旧人" << QStringList();
    }

    void offered()
    {
        QFETCH(QString, picker);
        QFETCH(QStringList, rows);
        if (!picker.startsWith("analysts")) {
            QDlgInstSelect dialog(nullptr, picker);
            auto *list = child<QListWidget>(&dialog, "lstInst");
            QCOMPARE(rowTexts(list), rows);
            QCOMPARE(rowTexts(list, Qt::UserRole), QStringList(rows).replaceInStrings(QRegularExpression("^. "), ""));
            QCOMPARE(list->currentRow(), -1);
            return;
        }
        QDlgAnalystSelect dialog;
        auto *list = child<QListWidget>(&dialog, "lstAnalyst");
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        edit->setText(picker.mid(9));
        QCOMPARE(rowTexts(list).size(), 4);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(rowTexts(list), rows);
        list->clear();
        click(&dialog, "btnSearch");
        QCOMPARE(rowTexts(list), rows);
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

    // action: "add KEY" (the picker's choice; "add -": picker cancelled; "add": nothing chosen, the
    // picker says so and is then cancelled) or "remove KEY"; rows: the editor's rows afterwards.
    void manage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("changed");
        const QStringList one{"Z 中信证券"};
        QTest::newRow("institution added at its place") << "inst" << QStringList{"中信证券"} << "add 长江证券" << QStringList{"C 长江证券", "Z 中信证券"} << true;
        QTest::newRow("institution there already") << "inst" << QStringList{"中信证券"} << "add 中信证券" << one << false;
        QTest::newRow("institution picker cancelled") << "inst" << QStringList{"中信证券"} << "add -" << one << false;
        QTest::newRow("institution, nothing chosen") << "inst" << QStringList{"中信证券"} << "add" << one << false;
        QTest::newRow("institution removed") << "inst" << QStringList{"中信证券", "长江证券"} << "remove 长江证券" << one << true;
        QTest::newRow("analyst added at the end") << "analyst" << QStringList{"104", "999"} << "add 101"
                                                  << QStringList{"[国信证券]张三丰", "[]", "[中信证券]张三"} << true;
        QTest::newRow("analyst there already") << "analyst" << QStringList{"104"} << "add 104" << QStringList{"[国信证券]张三丰"} << false;
        QTest::newRow("analyst, nothing chosen") << "analyst" << QStringList{"104"} << "add" << QStringList{"[国信证券]张三丰"} << false;
        QTest::newRow("unknown analyst removed") << "analyst" << QStringList{"104", "999"} << "remove 999" << QStringList{"[国信证券]张三丰"} << true;
    }

    void manage()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, stored);
        QFETCH(QString, action);
        QFETCH(QStringList, rows);
        QFETCH(bool, changed);
        const bool inst = kind == "inst";
        for (const QString &key : stored)
            inst ? addToConcernedInstList(key) : addToConcernedAnalystList(key);
        clearUserListStamps();
        std::unique_ptr<QDialog> dialog(inst ? static_cast<QDialog *>(new QDlgInstManage) : new QDlgAnalystManage);
        QSignalSpy reload(dialog.get(), inst ? SIGNAL(loadConcernedInstListOfSidebar()) : SIGNAL(loadConcernedAnalystListOfSidebar()));
        auto *list = dialog->findChild<QListWidget *>();
        const QString key = action.section(' ', 1);
        ModalScript script;
        if (action.startsWith("add")) {
            script.then<QDialog>([key](QDialog *picker) {
                chooseRow(picker->findChild<QListWidget *>(), key);
                click(picker, key == "-" ? "btnCancel" : "btnOk");
            });
            if (key.isEmpty())
                script.answer().then<QDialog>([](QDialog *picker) { picker->reject(); });
        } else {
            chooseRow(list, key);
        }
        click(dialog.get(), action.startsWith("add") ? "btnAdd" : "btnRemove");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, key.isEmpty() ? QStringList{inst ? "注意/请选择机构" : "注意/请选择分析师"} : QStringList());
        QCOMPARE(rowTexts(list), rows);
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE((inst ? getConcernedInstModified() : getConcernedAnalystModified()) > 0, changed);
    }
};

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
