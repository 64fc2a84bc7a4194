// Report subscriptions: the condition text and its stored form, the condition editor's checks and
// the manager's new and modify with what they store, signal and stamp.

#include "dialogtest.h"
#include "qdlgsubscribe.h"
#include "qdlgsubscribemanage.h"
#include "subscribecontent.h"
#include "userlists.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QLineEdit>

namespace {

void fill(QDlgSubscribe *editor, const QStringList &fields)
{
    child<QLineEdit>(editor, "edtTitleKeyword")->setText(fields.value(0));
    child<QLineEdit>(editor, "edtInstKeyword")->setText(fields.value(1));
    child<QLineEdit>(editor, "edtAnalsKeyword")->setText(fields.value(2));
}

QStringList fieldsOf(QDlgSubscribe *editor)
{
    return {child<QLineEdit>(editor, "edtTitleKeyword")->text(), child<QLineEdit>(editor, "edtInstKeyword")->text(),
            child<QLineEdit>(editor, "edtAnalsKeyword")->text(), child<QComboBox>(editor, "cboCode")->currentData().toString()};
}

} // namespace

class TestSubscriptions : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(prepareDialogDatabase(m_dir)); }
    void init() { resetUserLists(); }

    void contentText()
    {
        const QString text = buildSubscribeContent({"铅 -铅笔", "", "", "STK.IND@CN"});
        QCOMPARE(text, QString(R"({"ttl":"铅 -铅笔","ins":"","anl":"","cod":"STK.IND@CN"})"));
        const QString stored = encodeSubscribeContent(text);
        QCOMPARE(stored, QString("%7B%22ttl%22%3A%22%E9%93%85%20-%E9%93%85%E7%AC%94%22%2C%22ins%22%3A%22%22%2C%22anl%22%3A%22%22%2C%22cod%22%3A%22STK.IND%40CN%22%7D"));
        QCOMPARE(decodeSubscribeContent(stored), text);
    }

    void readBack_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("fields"); // title, institution, analyst, code
        QTest::newRow("four members") << R"({"ttl":"铅","ins":"中信","anl":"张三","cod":"MCR@CN"})" << QStringList{"铅", "中信", "张三", "MCR@CN"};
        QTest::newRow("older form, institution under ath") << "{\"ttl\":\"银\\\"行\",\"ath\":\"张三\",\"cod\":\"101,102\"}"
                                                           << QStringList{"银\"行", "张三", "", "101,102"};
        QTest::newRow("ins wins over ath") << R"({"ins":"中信","ath":"国信"})" << QStringList{"", "中信", "", ""};
        QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
        QTest::newRow("not JSON") << "{ttl:" << QStringList{"", "", "", ""};
    }

    void readBack()
    {
        QFETCH(QString, json);
        QFETCH(QStringList, fields);
        const SubscribeCondition c = parseSubscribeContent(json);
        QCOMPARE((QStringList{c.title, c.inst, c.analyst, c.code}), fields);
    }

    void editorOK_data()
    {
        QTest::addColumn<QString>("json");      // given to setContent
        QTest::addColumn<QStringList>("typed"); // the three edits; none typed when empty
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("content");
        const QStringList asOpened;
        auto refused = [](const char *name, const QStringList &typed, const char *box, const char *focus) {
            QTest::newRow(name) << QString() << typed << QString(box) << QString(focus) << QString();
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
        QTest::newRow("older form written as ins") << R"({"ttl":"铅","ath":"中信证券","cod":"MCR@"})" << asOpened << "" << ""
                                                   << R"({"ttl":"铅","ins":"中信证券","anl":"","cod":"MCR@"})";
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

    void newSubscription_data()
    {
        QTest::addColumn<bool>("written"); // the editor's OK (else cancelled)
        QTest::addColumn<QString>("name"); // typed at the name prompt; null cancels it
        QTest::addColumn<QStringList>("names");
        QTest::newRow("stored") << true << " 芯片 " << QStringList{"旧", "芯片"};
        QTest::newRow("editor cancelled, no prompt") << false << "" << QStringList{"旧"};
        QTest::newRow("name prompt cancelled") << true << QString() << QStringList{"旧"};
        QTest::newRow("existing name") << true << "旧" << QStringList{"旧"};
    }

    void newSubscription()
    {
        QFETCH(bool, written);
        QFETCH(QString, name);
        QFETCH(QStringList, names);
        addSubscribe("旧", "x", false);
        QDlgSubscribeManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadSubscribeListOfSidebar()));
        ModalScript script;
        script.then<QDlgSubscribe>([&](QDlgSubscribe *editor) {
            fill(editor, {"芯片", "", "张三"});
            click(editor, written ? "btnOK" : "btnCancel");
        });
        if (written)
            script.type(name);
        click(&dialog, "btnNew");
        QVERIFY_SCRIPT(script);
        QCOMPARE(script.seen.size(), written ? 2 : 1);
        QCOMPARE(getSubscribeNameList(), names);
        QCOMPARE(getSubscribeContent("旧"), QString("x"));
        const bool added = names.size() == 2;
        QCOMPARE(reload.count(), int(added));
        QCOMPARE(getReportSubscribeModified() > 0, added);
        if (added)
            QCOMPARE(decodeSubscribeContent(getSubscribeContent("芯片")), QString(R"({"ttl":"芯片","ins":"","anl":"张三","cod":""})"));
    }

    void modify_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QString>("after");
        const QString older = R"({"ttl":"铅","ath":"中信证券","cod":""})";
        QTest::newRow("unchanged, stored again") << R"({"ttl":"铅","ins":"","anl":"","cod":"MCR@"})" << true
                                                 << QStringList{"铅", "", "", "MCR@"} << R"({"ttl":"铅","ins":"","anl":"","cod":"MCR@"})";
        QTest::newRow("older form keeps its institution") << older << true << QStringList{"铅", "中信证券", "", ""}
                                                          << R"({"ttl":"铅","ins":"中信证券","anl":"","cod":""})";
        QTest::newRow("cancelled") << older << false << QStringList{"铅", "中信证券", "", ""} << older;
    }

    void modify()
    {
        QFETCH(QString, stored);
        QFETCH(bool, ok);
        QFETCH(QStringList, opened);
        QFETCH(QString, after);
        addSubscribe("甲", "x", false);
        addSubscribe("铅", encodeSubscribeContent(stored), false);
        QDlgSubscribeManage dialog;
        QSignalSpy reload(&dialog, SIGNAL(loadSubscribeListOfSidebar()));
        auto *list = child<QListWidget>(&dialog, "lstSubscribe");
        list->setCurrentRow(1);
        QStringList fields;
        ModalScript script;
        script.then<QDlgSubscribe>([&](QDlgSubscribe *editor) {
            fields = fieldsOf(editor);
            click(editor, ok ? "btnOK" : "btnCancel");
        });
        click(&dialog, "btnModify");
        QVERIFY_SCRIPT(script);
        QCOMPARE(fields, opened);
        QCOMPARE(decodeSubscribeContent(getSubscribeContent("铅")), after);
        QCOMPARE(getSubscribeNameList(), (QStringList{"甲", "铅"}));
        QCOMPARE(reload.count(), int(ok));
        QCOMPARE(getReportSubscribeModified() > 0, ok);
    }
};

QTEST_MAIN(TestSubscriptions)
#include "tst_subscriptions.moc"
