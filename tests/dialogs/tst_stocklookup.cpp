// The stock-code lookup against a small T_Stock: what a keyword finds, the keys the edit takes,
// and how the dialog ends.

#include "dialogtest.h"
#include "qdlggenius.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class TestStockLookup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        QVERIFY(insertStock("600036.SH", "招商银行", "ZSYH"));
        QVERIFY(insertStock("600000.SH", "浦发银行", "PFYH"));
        QVERIFY(insertStock("000001.SZ", "平安银行", "PAYH"));
        QVERIFY(insertStock("000002.SZ", "万科A", "WKA", 1));
        QVERIFY(insertStock("600519.SH", "贵州茅台", "GZMT"));
        QVERIFY(insertStock("830001.OC", "新三板一", "XSBY"));
    }

    void keyword_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("shown");   // the edit's text
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("code, in code order") << "600" << "600" << QStringList{"600000.SH 浦发银行", "600036.SH 招商银行", "600519.SH 贵州茅台"};
        QTest::newRow("initials, typed in lower case") << "yh" << "YH"
                                                       << QStringList{"000001.SZ 平安银行", "600000.SH 浦发银行", "600036.SH 招商银行"};
        QTest::newRow("name") << "茅台" << "茅台" << QStringList{"600519.SH 贵州茅台"};
        QTest::newRow("delisted stocks too") << "000002" << "000002" << QStringList{"000002.SZ 万科A"};
        QTest::newRow("other exchanges not by code") << "830001" << "830001" << QStringList();
        QTest::newRow("other exchanges by spelling") << "XSBY" << "XSBY" << QStringList{"830001.OC 新三板一"};
        QTest::newRow("underscore is a wildcard") << "6_0000" << "6_0000" << QStringList{"600000.SH 浦发银行"};
        QTest::newRow("a quote finds nothing") << "PF'YH" << "PF'YH" << QStringList();
        QTest::newRow("quote closing the pattern") << "' or 1=1 --" << "' OR 1=1 --" << QStringList();
    }

    void keyword()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, shown);
        QFETCH(QStringList, rows);
        QDlgGenius dialog;
        dialog.setKeyword(keyword);
        auto *list = child<QListWidget>(&dialog, "lstStock");
        QCOMPARE(child<QLineEdit>(&dialog, "edtKeyword")->text(), shown);
        QCOMPARE(rowTexts(list), rows);
        QCOMPARE(list->currentRow(), rows.isEmpty() ? -1 : 0);
        QCOMPARE(child<QPushButton>(&dialog, "btnOK")->isEnabled(), !rows.isEmpty());
        if (!rows.isEmpty())
            QCOMPARE(list->item(0)->data(Qt::UserRole).toString(), rows.first().section(' ', 0, 0));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");   // the edit's text afterwards
        QTest::addColumn<int>("cursor");
        QTest::newRow("letter upper-cased") << "60" << int(Qt::Key_A) << "60A" << 3;
        QTest::newRow("digit") << "60" << int(Qt::Key_0) << "600" << 3;
        QTest::newRow("letter while nothing matches") << "ZZ" << int(Qt::Key_A) << "ZZ" << 2;
        QTest::newRow("digit while nothing matches") << "ZZ" << int(Qt::Key_1) << "ZZ" << 2;
        QTest::newRow("backspace while nothing matches") << "ZZ" << int(Qt::Key_Backspace) << "Z" << 1;
        QTest::newRow("delete at the end") << "600" << int(Qt::Key_Delete) << "600" << 3;
        QTest::newRow("left") << "600" << int(Qt::Key_Left) << "600" << 2;
        QTest::newRow("space") << "600" << int(Qt::Key_Space) << "600" << 3;
        QTest::newRow("full stop") << "600" << int(Qt::Key_Period) << "600" << 3;
        QTest::newRow("percent sign") << "600" << int(Qt::Key_Percent) << "600" << 3;
        QTest::newRow("home") << "600" << int(Qt::Key_Home) << "600" << 3;
        QTest::newRow("tab") << "600" << int(Qt::Key_Tab) << "600" << 3;
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QDlgGenius dialog;
        dialog.setKeyword(start);
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->cursorPosition(), cursor);
    }

    void typingFromEmptyFindsAsYouGo()
    {
        QDlgGenius dialog;
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        QTest::keyClicks(edit, "pf");
        QCOMPARE(edit->text(), QString("PF"));
        QCOMPARE(rowTexts(child<QListWidget>(&dialog, "lstStock")), QStringList{"600000.SH 浦发银行"});
    }

    void upAndDownStayInTheList()
    {
        QDlgGenius dialog;
        dialog.setKeyword("600");
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        auto *list = child<QListWidget>(&dialog, "lstStock");
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(list->currentRow(), 0);
        QTest::keyClick(edit, Qt::Key_Down);
        QTest::keyClick(edit, Qt::Key_Down);
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 2);
        QTest::keyClick(edit, Qt::Key_Up);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedStock(), QString("600036.SH"));
    }

    void ending_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("clearing the keyword") << "6" << "backspace" << int(QDialog::Rejected) << "";
        QTest::newRow("escape") << "600" << "escape" << int(QDialog::Rejected) << "";
        QTest::newRow("return takes the current row") << "600" << "return" << int(QDialog::Accepted) << "600000.SH";
        QTest::newRow("OK takes the current row") << "000001" << "ok" << int(QDialog::Accepted) << "000001.SZ";
        QTest::newRow("OK before any keyword does nothing") << "" << "ok" << -1 << "";
        QTest::newRow("return with no rows does nothing") << "QQQ" << "return" << -1 << "";
        QTest::newRow("double-click takes that row") << "600" << "double-click row 1" << int(QDialog::Accepted) << "600036.SH";
    }

    void ending()
    {
        QFETCH(QString, start);
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(QString, chosen);
        QDlgGenius dialog;
        dialog.setKeyword(start);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        auto *list = child<QListWidget>(&dialog, "lstStock");
        if (how == "backspace")
            QTest::keyClick(edit, Qt::Key_Backspace);
        else if (how == "escape")
            QTest::keyClick(edit, Qt::Key_Escape);
        else if (how == "return")
            QTest::keyClick(edit, Qt::Key_Return);
        else if (how == "ok")
            child<QPushButton>(&dialog, "btnOK")->click();
        else {
            // Item views take a double click only after a press on the same item.
            const QPoint at = list->visualItemRect(list->item(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(dialog.isVisible(), result == -1);
        if (result != -1)
            QCOMPARE(dialog.result(), result);
        QCOMPARE(dialog.getSelectedStock(), chosen);
    }
};

QTEST_MAIN(TestStockLookup)
#include "tst_stocklookup.moc"
