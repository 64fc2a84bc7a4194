// The stock-code lookup against a small T_Stock: what a keyword finds, the keys the edit takes,
// and how the dialog ends.

#include "dialogtest.h"
#include "qdlggenius.h"

#include <QKeySequence>
#include <QLineEdit>

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
        QTest::addColumn<QString>("shown"); // the edit's text
        QTest::addColumn<QStringList>("rows");
        const QStringList none;
        QTest::newRow("code, in code order") << "600" << "600" << QStringList{"600000.SH 浦发银行", "600036.SH 招商银行", "600519.SH 贵州茅台"};
        QTest::newRow("initials, in lower case") << "yh" << "YH" << QStringList{"000001.SZ 平安银行", "600000.SH 浦发银行", "600036.SH 招商银行"};
        QTest::newRow("name") << "茅台" << "茅台" << QStringList{"600519.SH 贵州茅台"};
        QTest::newRow("delisted too") << "000002" << "000002" << QStringList{"000002.SZ 万科A"};
        QTest::newRow("other exchanges not by code") << "830001" << "830001" << none;
        QTest::newRow("other exchanges by spelling") << "XSBY" << "XSBY" << QStringList{"830001.OC 新三板一"};
        QTest::newRow("underscore is a wildcard") << "6_0000" << "6_0000" << QStringList{"600000.SH 浦发银行"};
        QTest::newRow("a quote finds nothing") << "PF'YH" << "PF'YH" << none;
        QTest::newRow("quote closing the pattern") << "' or 1=1 --" << "' OR 1=1 --" << none;
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
        QCOMPARE(rowTexts(list, Qt::UserRole).value(0), rows.value(0).section(' ', 0, 0));
    }

    // keys: key names, "OK" or "DoubleClick" (on the second row); text: the edit's text afterwards,
    // "|" at the cursor; result -1: still open. Letters and digits are typed only while something
    // matches, upper-cased; other keys that edit are swallowed.
    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("chosen");
        const int open = -1, accepted = QDialog::Accepted, rejected = QDialog::Rejected;
        QTest::newRow("found as typed from empty") << "" << "P F Return" << "PF|" << accepted << "600000.SH";
        QTest::newRow("letter") << "60" << "A" << "60A|" << open << "";
        QTest::newRow("digit") << "60" << "0" << "600|" << open << "";
        QTest::newRow("letter while nothing matches") << "ZZ" << "A" << "ZZ|" << open << "";
        QTest::newRow("digit while nothing matches") << "ZZ" << "1" << "ZZ|" << open << "";
        QTest::newRow("backspace while nothing matches") << "ZZ" << "Backspace" << "Z|" << open << "";
        QTest::newRow("left") << "600" << "Left" << "60|0" << open << "";
        QTest::newRow("space, full stop, percent, home") << "600" << "Space . % Home" << "600|" << open << "";
        QTest::newRow("clearing the keyword") << "6" << "Backspace" << "|" << rejected << "";
        QTest::newRow("escape") << "600" << "Esc" << "600|" << rejected << "";
        QTest::newRow("return takes the current row") << "600" << "Return" << "600|" << accepted << "600000.SH";
        QTest::newRow("up stops at the first row") << "600" << "Up Return" << "600|" << accepted << "600000.SH";
        QTest::newRow("down stops at the last row") << "600" << "Down Down Down Return" << "600|" << accepted << "600519.SH";
        QTest::newRow("down and up") << "600" << "Down Down Up Return" << "600|" << accepted << "600036.SH";
        QTest::newRow("OK takes the current row") << "000001" << "OK" << "000001|" << accepted << "000001.SZ";
        QTest::newRow("OK before any keyword does nothing") << "" << "OK" << "|" << open << "";
        QTest::newRow("return with no rows does nothing") << "QQQ" << "Return" << "QQQ|" << open << "";
        QTest::newRow("double-click takes that row") << "600" << "DoubleClick" << "600|" << accepted << "600036.SH";
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, result);
        QFETCH(QString, chosen);
        QDlgGenius dialog;
        dialog.setKeyword(start);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        auto *list = child<QListWidget>(&dialog, "lstStock");
        for (const QString &key : keys.split(' ')) {
            if (key == "OK") {
                click(&dialog, "btnOK");
            } else if (key == "DoubleClick") {
                // Item views take a double click only after a press on the same item.
                const QPoint at = list->visualItemRect(list->item(1)).center();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            } else {
                QTest::keyClick(edit, Qt::Key(QKeySequence(key)[0]));
            }
        }
        QCOMPARE(edit->text().insert(edit->cursorPosition(), '|'), text);
        QCOMPARE(dialog.isVisible(), result == -1);
        if (result != -1)
            QCOMPARE(dialog.result(), result);
        QCOMPARE(dialog.getSelectedStock(), chosen);
    }
};

QTEST_MAIN(TestStockLookup)
#include "tst_stocklookup.moc"
