// The stock-code lookup against a small T_Stock: what a keyword finds, the keys the edit takes,
// and how the dialog ends.

#include "dialogtest.h"
#include "qdlggenius.h"

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

    // Typed keys: letters and digits only while something matches, upper-cased; editing keys pass.
    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text"); // the edit's text afterwards, "|" at the cursor
        QTest::newRow("from empty, found as typed") << "" << "pf" << "PF|";
        QTest::newRow("letter") << "60" << "a" << "60A|";
        QTest::newRow("digit") << "60" << "0" << "600|";
        QTest::newRow("letter while nothing matches") << "ZZ" << "a" << "ZZ|";
        QTest::newRow("digit while nothing matches") << "ZZ" << "1" << "ZZ|";
        QTest::newRow("backspace while nothing matches") << "ZZ" << "\b" << "Z|";
        QTest::newRow("left") << "600" << "<" << "60|0";
        QTest::newRow("space, full stop, percent") << "600" << " .%" << "600|";
        QTest::newRow("home") << "600" << "^" << "600|";
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QDlgGenius dialog;
        dialog.setKeyword(start);
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        for (const QChar c : keys) {
            const QHash<QChar, Qt::Key> special{{'\b', Qt::Key_Backspace}, {'<', Qt::Key_Left}, {'^', Qt::Key_Home}};
            if (special.contains(c))
                QTest::keyClick(edit, special.value(c));
            else
                QTest::keyClick(edit, c.toLatin1());
        }
        QCOMPARE(edit->text().insert(edit->cursorPosition(), '|'), text);
        if (keys == "pf")
            QCOMPARE(rowTexts(child<QListWidget>(&dialog, "lstStock")), QStringList{"600000.SH 浦发银行"});
    }

    void ending_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("how"); // keys: b(ackspace), e(scape), r(eturn), u(p), d(own); or "ok", "double-click"
        QTest::addColumn<int>("result");  // -1: still open
        QTest::addColumn<QString>("chosen");
        QTest::newRow("clearing the keyword") << "6" << "b" << int(QDialog::Rejected) << "";
        QTest::newRow("escape") << "600" << "e" << int(QDialog::Rejected) << "";
        QTest::newRow("return takes the current row") << "600" << "r" << int(QDialog::Accepted) << "600000.SH";
        QTest::newRow("up stops at the first row") << "600" << "ur" << int(QDialog::Accepted) << "600000.SH";
        QTest::newRow("down stops at the last row") << "600" << "ddddr" << int(QDialog::Accepted) << "600519.SH";
        QTest::newRow("down and up") << "600" << "ddur" << int(QDialog::Accepted) << "600036.SH";
        QTest::newRow("OK takes the current row") << "000001" << "ok" << int(QDialog::Accepted) << "000001.SZ";
        QTest::newRow("OK before any keyword does nothing") << "" << "ok" << -1 << "";
        QTest::newRow("return with no rows does nothing") << "QQQ" << "r" << -1 << "";
        QTest::newRow("double-click takes that row") << "600" << "double-click" << int(QDialog::Accepted) << "600036.SH";
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
        auto *list = child<QListWidget>(&dialog, "lstStock");
        if (how == "ok") {
            click(&dialog, "btnOK");
        } else if (how == "double-click") {
            // Item views take a double click only after a press on the same item.
            const QPoint at = list->visualItemRect(list->item(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else {
            const QHash<QChar, Qt::Key> keys{{'b', Qt::Key_Backspace}, {'e', Qt::Key_Escape}, {'r', Qt::Key_Return},
                                             {'u', Qt::Key_Up}, {'d', Qt::Key_Down}};
            for (const QChar c : how)
                QTest::keyClick(child<QLineEdit>(&dialog, "edtKeyword"), keys.value(c));
        }
        QCOMPARE(dialog.isVisible(), result == -1);
        if (result != -1)
            QCOMPARE(dialog.result(), result);
        QCOMPARE(dialog.getSelectedStock(), chosen);
    }
};

QTEST_MAIN(TestStockLookup)
#include "tst_stocklookup.moc"
