// The institution and analyst pickers and the editors of the concerned lists: what the pickers
// offer and in which order, OK with nothing chosen, and each change with its signal and stamp.

#include "dialogtest.h"
#include "qdlganalystmanage.h"
#include "qdlganalystselect.h"
#include "qdlginstmanage.h"
#include "qdlginstselect.h"
#include "userlists.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

int nextId = 1;

bool insertReportOf(const QString &inst, const QString &entry)
{
    return insertReport(FixtureReport{nextId++, entry, QString(), inst, "STK.COM@CN", "t", "", "600000.SH", ""});
}

bool insertRatingOf(const QString &inst, const QString &publish)
{
    return execSql("insert into T_Rating (Rpt_ID, Ins_Name, Rpt_DtPublish, Stk_Code) values (?, ?, ?, '600000.SH')",
                   {nextId++, inst, publish});
}

void chooseRow(QListWidget *list, const QString &key)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toString() == key)
            list->setCurrentRow(i);
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
        for (const auto &r : {std::make_pair("长江证券", "2026-06-30 10:00:00"), {"中信证券", "2026-03-01 09:00:00"},
                              {"安信证券", "2026-01-01 00:00:00"}, {"国泰君安", "2025-12-31 23:59:59"},
                              {"Alpha Research", "2026-02-01 08:00:00"}, {"abc研究", "2026-02-01 08:00:00"},
                              {"9号研究", "2026-02-02 08:00:00"}, {"长城证券", "2026-02-03 08:00:00"},
                              {"招商证券", "2026-02-04 08:00:00"}, {"中信证券", "2026-03-02 09:00:00"},
                              {"中新证券", "2026-03-03 09:00:00"}})
            QVERIFY(insertReportOf(r.first, r.second));
        QVERIFY(insertRatingOf("国信证券", "2026-01-01 00:00:00"));
        QVERIFY(insertRatingOf("海通证券", "2025-12-31 12:00:00"));
        QVERIFY(insertRatingOf("华泰证券", "2026-05-01 00:00:00"));
        QVERIFY(insertAnalyst(1, 101, "张三", "中信证券", "2026-06-01"));
        QVERIFY(insertAnalyst(2, 102, "李四", "安信证券", "2026-06-01"));
        QVERIFY(insertAnalyst(3, 103, "Wang", "长江证券", "2026-06-01"));
        QVERIFY(insertAnalyst(4, 104, "张三丰", "国信证券", "2026-06-01"));
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
        QTest::newRow("RPT is reports") << "RPT" << reports;
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
        QStringList names;
        for (const QString &row : rows)
            names << row.section(' ', 1);
        QCOMPARE(rowKeys(list), names);
        QCOMPARE(list->currentRow(), -1);
    }

    void pickerOK_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("row");       // user data of the row made current; empty for none
        QTest::addColumn<QString>("how");       // "ok" or "double-click"
        QTest::addColumn<QString>("chosen");
        QTest::newRow("institution, OK") << "inst" << "长江证券" << "ok" << "长江证券";
        QTest::newRow("institution, double-click") << "inst" << "安信证券" << "double-click" << "安信证券";
        QTest::newRow("institution, nothing chosen") << "inst" << "" << "ok" << "";
        QTest::newRow("analyst, OK") << "analyst" << "103" << "ok" << "103";
        QTest::newRow("analyst, double-click") << "analyst" << "102" << "double-click" << "102";
        QTest::newRow("analyst, nothing chosen") << "analyst" << "" << "ok" << "";
    }

    void pickerOK()
    {
        QFETCH(QString, picker);
        QFETCH(QString, row);
        QFETCH(QString, how);
        QFETCH(QString, chosen);
        std::unique_ptr<QDialog> dialog;
        if (picker == "inst")
            dialog.reset(new QDlgInstSelect(nullptr, QString()));
        else
            dialog.reset(new QDlgAnalystSelect);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto *list = child<QListWidget>(dialog.get(), picker == "inst" ? "lstInst" : "lstAnalyst");
        chooseRow(list, row);
        ModalScript script;
        if (row.isEmpty())
            script.answer();
        if (how == "ok") {
            child<QPushButton>(dialog.get(), "btnOk")->click();
        } else {
            const QPoint at = list->visualItemRect(list->currentItem()).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
        QVERIFY(script.finished());
        // Nothing chosen: the picker says so and stays open.
        QCOMPARE(script.boxes(), row.isEmpty() ? QStringList{picker == "inst" ? "注意/请选择机构" : "注意/请选择分析师"}
                                               : QStringList());
        QCOMPARE(dialog->isVisible(), row.isEmpty());
        const QString selected = picker == "inst" ? static_cast<QDlgInstSelect *>(dialog.get())->getSelectedInst()
                                                  : static_cast<QDlgAnalystSelect *>(dialog.get())->getSelectedAnalyst();
        QCOMPARE(selected, chosen);
    }

    void manageInstitutions()
    {
        addToConcernedInstList("中信证券");
        clearUserListStamps();
        QDlgInstManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadConcernedInstListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstInst");
        QCOMPARE(rowTexts(list), QStringList{"Z 中信证券"});
        auto pick = [](const QString &name, const char *button) {
            return [name, button](QDlgInstSelect *picker) {
                chooseRow(child<QListWidget>(picker, "lstInst"), name);
                child<QPushButton>(picker, button)->click();
            };
        };
        ModalScript script;
        script.then<QDlgInstSelect>(pick("长江证券", "btnOk"))            // added at its place by initials
            .then<QDlgInstSelect>(pick("中信证券", "btnOk"))              // already there
            .then<QDlgInstSelect>(pick("安信证券", "btnCancel"))          // cancelled
            .then<QDlgInstSelect>(pick("", "btnOk"))                      // nothing chosen: stays open
            .answer()
            .then<QDlgInstSelect>([](QDlgInstSelect *p) { p->reject(); });
        QPushButton *add = child<QPushButton>(&dialog, "btnAdd");
        add->click();
        QCOMPARE(rowTexts(list), (QStringList{"C 长江证券", "Z 中信证券"}));
        QCOMPARE(reload.count(), 1);
        QVERIFY(getConcernedInstModified() > 0);
        clearUserListStamps();
        add->click();
        add->click();
        // The box comes from the picker that the fourth press opened; the script then closes it.
        add->click();
        QVERIFY(script.finished());
        QCOMPARE(script.unexpected, QStringList());
        QCOMPARE(script.boxes(), QStringList{"注意/请选择机构"});
        QCOMPARE(reload.count(), 1);
        QCOMPARE(getConcernedInstModified(), qint64(0));
        QCOMPARE(getConcernedInstList(), (QStringList{"长江证券", "中信证券"}));
    }

    void removeInstitution()
    {
        addToConcernedInstList("中信证券");
        addToConcernedInstList("长江证券");
        clearUserListStamps();
        QDlgInstManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadConcernedInstListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstInst");
        ModalScript script;
        script.answer();
        child<QPushButton>(&dialog, "btnRemove")->click();
        QCOMPARE(script.boxes(), QStringList{"注意/请选择删除的机构"});
        QCOMPARE(getConcernedInstModified(), qint64(0));
        chooseRow(list, "长江证券");
        child<QPushButton>(&dialog, "btnRemove")->click();
        QCOMPARE(rowTexts(list), QStringList{"Z 中信证券"});
        QCOMPARE(list->currentRow(), -1);
        QCOMPARE(reload.count(), 1);
        QVERIFY(getConcernedInstModified() > 0);
        QCOMPARE(script.unexpected, QStringList());
    }

    void searchAnalysts_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("rows");
        const QStringList all{"[中信证券]张三", "[安信证券]李四", "[长江证券]Wang", "[国信证券]张三丰"};
        QTest::newRow("none: every analyst in cache order") << "" << all;
        QTest::newRow("blanks only") << "   " << all;
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
        child<QPushButton>(&picker, "btnSearch")->click();
        QCOMPARE(rowTexts(list), rows);
    }

    void manageAnalysts()
    {
        addToConcernedAnalystList("104");
        addToConcernedAnalystList("999");   // no longer in the analyst data
        clearUserListStamps();
        QDlgAnalystManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadConcernedAnalystListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstAnalyst");
        QCOMPARE(rowTexts(list), (QStringList{"[国信证券]张三丰", "[]"}));
        auto pick = [](const QString &uid) {
            return [uid](QDlgAnalystSelect *picker) {
                chooseRow(child<QListWidget>(picker, "lstAnalyst"), uid);
                child<QPushButton>(picker, "btnOk")->click();
            };
        };
        ModalScript script;
        script.then<QDlgAnalystSelect>(pick("101")).then<QDlgAnalystSelect>(pick("104"));
        QPushButton *add = child<QPushButton>(&dialog, "btnAdd");
        QPushButton *remove = child<QPushButton>(&dialog, "btnRemove");
        add->click();
        QCOMPARE(reload.count(), 1);
        QVERIFY(getConcernedAnalystModified() > 0);
        clearUserListStamps();
        add->click();
        QCOMPARE(reload.count(), 1);
        QCOMPARE(getConcernedAnalystModified(), qint64(0));
        // Removed and added again, an analyst moves to the end; an unknown uid can be removed.
        chooseRow(list, "104");
        remove->click();
        chooseRow(list, "999");
        remove->click();
        script.then<QDlgAnalystSelect>(pick("104"));
        add->click();
        QVERIFY(script.finished());
        QCOMPARE(rowTexts(list), (QStringList{"[中信证券]张三", "[国信证券]张三丰"}));
        QCOMPARE(rowKeys(list), (QStringList{"101", "104"}));
        QCOMPARE(getConcernedAnalystList(), (QStringList{"101", "104"}));
        QCOMPARE(reload.count(), 4);
        QVERIFY(getConcernedAnalystModified() > 0);
        script.answer();
        remove->click();
        QCOMPARE(script.boxes(), QStringList{"注意/请选择删除的分析师"});
        QCOMPARE(script.unexpected, QStringList());
    }
};

QTEST_MAIN(TestPickers)
#include "tst_pickers.moc"
