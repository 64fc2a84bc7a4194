// Report subscriptions: the condition text and its stored form, the condition editor's checks and
// the manager's new and modify with what they store, signal and stamp.

#include "dialogtest.h"
#include "qdlgsubscribe.h"
#include "qdlgsubscribemanage.h"
#include "subscribecontent.h"
#include "userlists.h"

#include <QJsonDocument>
#include <QLineEdit>

namespace {

void fill(QDlgSubscribe *editor, const QStringList &fields)
{
    child<QLineEdit>(editor, "edtTitleKeyword")->setText(fields.value(0));
    child<QLineEdit>(editor, "edtInstKeyword")->setText(fields.value(1));
    child<QLineEdit>(editor, "edtAnalsKeyword")->setText(fields.value(2));
}

} // namespace

class TestSubscriptions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(prepareDialogDatabase(m_dir)); }
    void init() { resetUserLists(); }

    void editorOK_data()
    {
        QTest::addColumn<QString>("json");      // given to setContent
        QTest::addColumn<QStringList>("typed"); // the three edits; none typed when empty
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("content");
        const QStringList asOpened;
        auto refused = [](const char *name, const QStringList &typed, const char *box, const char *focus) {
            QTest::newRow(name) << QString(typed.isEmpty() ? "{ttl:" : "")  << typed << QString(box) << QString(focus) << QString();
        };
        QTest::newRow("trimmed, category kept") << R"({"cod":"STK.IND@CN"})" << QStringList{"  铅 -铅笔 ", "", ""} << "" << ""
                                                << R"({"ttl":"铅 -铅笔","ins":"","anl":"","cod":"STK.IND@CN"})";
        QTest::newRow("spaces only") << R"({"cod":"STK.IND@CN"})" << QStringList{"  ", " ", ""} << "请填写关键词！"
                                     << "edtTitleKeyword" << "";
        refused("title and institution improper", {"a,b", "x.y", ""}, "关键词包含不恰当的字符！", "edtTitleKeyword");
        refused("double quote", {"a\"b", "", ""}, "关键词包含不恰当的字符！", "edtTitleKeyword");
        refused("tab inside", {"a\tb", "", ""}, "关键词包含不恰当的字符！", "edtTitleKeyword");
        refused("backslash", {"", "a\\b", ""}, "研究机构包含不恰当的字符！", "edtInstKeyword");
        refused("line break inside", {"", "", "王\n五"}, "分析师包含不恰当的字符！", "edtAnalsKeyword");
        QTest::newRow("a code no longer offered") << R"({"ttl":"铅","cod":"XYZ"})" << asOpened << "" << ""
                                                  << R"({"ttl":"铅","ins":"","anl":"","cod":""})";
        QTest::newRow("ins wins over ath") << R"({"ttl":"铅","ins":"中信","ath":"国信"})" << asOpened << "" << ""
                                           << R"({"ttl":"铅","ins":"中信","anl":"","cod":""})";
        refused("not JSON", QStringList(), "请填写关键词！", "edtTitleKeyword");
        QTest::newRow("older form written as ins") << R"({"ttl":"铅","ath":"中信证券","cod":"MCR@"})" << asOpened << "" << ""
                                                   << R"({"ttl":"铅","ins":"中信证券","anl":"","cod":"MCR@"})";
        QTest::newRow("an analyst keyword alone") << "" << QStringList{"", "", " 王五 "} << "" << ""
                                                  << R"({"ttl":"","ins":"","anl":"王五","cod":""})";
        QTest::newRow("an institution keyword alone") << "" << QStringList{"", "中信", ""} << "" << ""
                                                      << R"({"ttl":"","ins":"中信","anl":"","cod":""})";
        refused("control character in the analyst", {"", "", "王\x01五"}, "分析师包含不恰当的字符！", "edtAnalsKeyword");
        QTest::newRow("inner blanks and hyphens") << "" << QStringList{"", "中信 -国信", "A-B"} << "" << ""
                                                  << R"({"ttl":"","ins":"中信 -国信","anl":"A-B","cod":""})";
    }

    void editorOK()
    {
        QFETCH(QString, json);
        QFETCH(QStringList, typed);
        QFETCH(QString, box);
        QFETCH(QString, focus);
        QFETCH(QString, content);
        QDlgSubscribe editor;
        editor.setContent(json);
        if (!typed.isEmpty())
            fill(&editor, typed);
        ModalScript script;
        if (!box.isEmpty())
            script.answer();
        click(&editor, "btnOK");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, box.isEmpty() ? QStringList() : QStringList{"注意/" + box});
        QCOMPARE(editor.result(), int(box.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(editor.getContent(), content);
        if (!focus.isEmpty())
            QCOMPARE(editor.focusWidget()->objectName(), focus);
        QVERIFY(content.isEmpty() || QJsonDocument::fromJson(content.toUtf8()).isObject());
    }

    // The manager's New and Modify over the subscriptions 甲 and 铅 (stored). Modify works on 铅; New
    // names its condition (null: the prompt cancelled). after: 铅's content, or the new one's.
    void newAndModify_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ok"); // the condition editor's OK, else Cancel
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("after");
        const QString older = R"({"ttl":"铅","ath":"中信证券","cod":""})", kept = R"({"ttl":"铅","ins":"","anl":"","cod":"MCR@"})";
        const QStringList two{"甲", "铅"};
        QTest::newRow("new, stored") << "New" << kept << true << " 芯片 " << QStringList{"甲", "铅", "芯片"}
                                     << R"({"ttl":"芯片","ins":"","anl":"张三","cod":""})";
        QTest::newRow("new, editor cancelled, no prompt") << "New" << kept << false << "" << two << kept;
        QTest::newRow("new, name prompt cancelled") << "New" << kept << true << QString() << two << kept;
        // A refused name says why and asks again, offering what was typed; the condition is kept.
        // Names typed one after another are joined by "|"; "~" cancels the prompt.
        QTest::newRow("new, existing name, then another") << "New" << kept << true << "甲|芯片" << QStringList{"甲", "铅", "芯片"}
                                                      << R"({"ttl":"芯片","ins":"","anl":"张三","cod":""})";
        QTest::newRow("new, improper, empty, then proper") << "New" << kept << true << "a.b| |芯片" << QStringList{"甲", "铅", "芯片"}
                                                       << R"({"ttl":"芯片","ins":"","anl":"张三","cod":""})";
        QTest::newRow("new, existing name, then cancelled") << "New" << kept << true << "铅|~" << two << kept;
        QTest::newRow("modify, unchanged, stored again") << "Modify" << kept << true << "" << two << kept;
        QTest::newRow("modify, older form keeps its institution") << "Modify" << older << true << "" << two
                                                                  << R"({"ttl":"铅","ins":"中信证券","anl":"","cod":""})";
        QTest::newRow("modify, cancelled") << "Modify" << older << false << "" << two << older;
    }

    void newAndModify()
    {
        QFETCH(QString, button);
        QFETCH(QString, stored);
        QFETCH(bool, ok);
        QFETCH(QString, name);
        QFETCH(QStringList, names);
        QFETCH(QString, after);
        addSubscribe("甲", "x", false);
        addSubscribe("铅", encodeSubscribeContent(stored), false);
        QDlgSubscribeManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadSubscribeListOfSidebar()));
        child<QListWidget>(&dialog, "lstSubscribe")->setCurrentRow(1);
        ModalScript script;
        script.then<QDlgSubscribe>([&](QDlgSubscribe *editor) {
            if (button == "New")
                fill(editor, {"芯片", "", "张三"});
            click(editor, ok ? "btnOK" : "btnCancel");
        });
        const QStringList typed = name.isNull() ? QStringList{QString()} : name.split('|');
        QStringList refusals;
        for (int i = 0; ok && button == "New" && i < typed.size(); ++i) {
            const QString offered = i > 0 ? typed.at(i - 1).trimmed() : QString();
            const QString text = typed.at(i) == "~" ? QString() : typed.at(i);
            script.then<QInputDialog>([offered, text](QInputDialog *d) {
                QCOMPARE(d->textValue(), offered);
                d->setTextValue(text);
                text.isNull() ? d->reject() : d->accept();
            });
            if (i + 1 < typed.size()) {
                script.answer();
                refusals << "错误/" + QString(text.trimmed().isEmpty() ? "请填写订阅名称!"
                                           : QStringList{"甲", "铅"}.contains(text) ? "订阅名称已存在!" : "订阅名称含有不恰当字符!");
            }
        }
        click(&dialog, qPrintable("btn" + button));
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.boxes, refusals);
        QCOMPARE(getSubscribeNameList(), names);
        const bool changed = ok && (button == "Modify" || names.size() == 3);
        QCOMPARE(decodeSubscribeContent(getSubscribeContent(names.size() == 3 ? "芯片" : "铅")), after);
        QCOMPARE(getSubscribeContent("甲"), QString("x"));
        QCOMPARE(reload.count(), int(changed));
        QCOMPARE(getReportSubscribeModified() > 0, changed);
    }
};

QTEST_MAIN(TestSubscriptions)
#include "tst_subscriptions.moc"
