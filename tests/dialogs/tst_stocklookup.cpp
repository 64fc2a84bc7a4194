// The stock-code lookup against a small T_Stock: what a keyword finds, the keys the edit takes,
// how the dialog ends, and what it does before the update engine has brought any stock.

#include "dialogtest.h"
#include "qdlggenius.h"

#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QThread>

#include <memory>

namespace {

bool insertUsualStocks()
{
    return insertStock("600036.SH", "招商银行", "ZSYH") && insertStock("600000.SH", "浦发银行", "PFYH")
           && insertStock("000001.SZ", "平安银行", "PAYH") && insertStock("000002.SZ", "万科A", "WKA", 1)
           && insertStock("600519.SH", "贵州茅台", "GZMT") && insertStock("830001.OC", "新三板一", "XSBY");
}

void typeKeys(QWidget *edit, const QString &keys)
{
    for (const QString &key : keys.split(' ', Qt::SkipEmptyParts))
        QTest::keyClick(edit, Qt::Key(QKeySequence(key)[0]));
}

// The lookup opened by the first key typed, as the main window opens it.
bool shownWith(QDlgGenius &dialog, const QString &start)
{
    dialog.setKeyword(start);
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

} // namespace

class TestStockLookup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(prepareDialogDatabase(m_dir));
        QVERIFY(insertUsualStocks());
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
        QVERIFY(shownWith(dialog, start));
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

    // A first login: the lookup opens with the key that opened it while T_Stock is still empty.
    // filled: the usual stocks are there from the start instead. held: the edit's text after the
    // keys (Escape among them closes the lookup at once); arriving: "code name spelling" of the
    // stocks the engine then stores and loads into its cache on its own thread; rows: the list
    // then, untouched (a load of the cache before they come changes nothing); ended: how the
    // lookup ended as they arrived (-1: still open), chosen: the stock it handed back; later:
    // keys typed after that, leaving text and the same rows for Return. A Return typed while
    // waiting takes the stock found once they arrive, unless the keyword was edited after it.
    void keysBeforeTheStocks_data()
    {
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("held");
        QTest::addColumn<QStringList>("arriving");
        QTest::addColumn<QString>("later");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("ended");
        QTest::addColumn<QString>("chosen");
        const int open = -1, accepted = QDialog::Accepted, rejected = QDialog::Rejected;
        const QStringList brought{"600309.SH 万华化学 WHHX", "000001.SZ 平安银行 PAYH"};
        const QStringList found{"600309.SH 万华化学"}, none;
        const QStringList otherOnly{"000001.SZ 平安银行 PAYH"};
        QTest::newRow("a code") << false << "6" << "0 0 3 0 9" << "600309" << brought << "" << "600309" << found
                                << open << "";
        QTest::newRow("a spelling") << false << "W" << "H H X" << "WHHX" << brought << "" << "WHHX" << found << open
                                    << "";
        QTest::newRow("return before them, then a digit, does nothing")
            << false << "6" << "0 Return 0" << "600" << brought << "3" << "6003" << found << open << "";
        QTest::newRow("nothing matches once they are in") << false << "6" << "0 0 3 0 9" << "600309" << otherOnly
                                                          << "1 A" << "600309" << none << open << "";
        QTest::newRow("filled, nothing matches") << true << "ZZ" << "1 A" << "ZZ" << none << "1" << "ZZ" << none
                                                 << open << "";
        QTest::newRow("return before them takes the code once they are in")
            << false << "6" << "0 0 3 0 9 Return" << "600309" << brought << "" << "" << found << accepted
            << "600309.SH";
        QTest::newRow("enter before them, a spelling")
            << false << "W" << "H H X Enter" << "WHHX" << brought << "" << "" << found << accepted << "600309.SH";
        QTest::newRow("return, then the cursor moved") << false << "6" << "0 0 3 0 9 Return Left" << "600309"
                                                       << brought << "" << "" << found << accepted << "600309.SH";
        QTest::newRow("return, then a digit taken back") << false << "6" << "0 0 3 0 9 Return Backspace" << "60030"
                                                         << brought << "9" << "600309" << found << open << "";
        QTest::newRow("escape after return before them") << false << "6" << "0 0 3 0 9 Return Esc" << "600309"
                                                         << brought << "" << "" << found << rejected << "";
        QTest::newRow("return before them, nothing matches once they are in")
            << false << "6" << "0 0 3 0 9 Return" << "600309" << otherOnly << "1 A" << "600309" << none << open << "";
    }

    void keysBeforeTheStocks()
    {
        QFETCH(bool, filled);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, held);
        QFETCH(QStringList, arriving);
        QFETCH(QString, later);
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(int, ended);
        QFETCH(QString, chosen);
        const int open = -1;
        const auto restore = qScopeGuard([] {
            execSql("delete from T_Stock");
            insertUsualStocks();
        });
        QVERIFY(execSql("delete from T_Stock"));
        if (filled)
            QVERIFY(insertUsualStocks());

        QDlgGenius dialog;
        QVERIFY(shownWith(dialog, start));
        auto *edit = child<QLineEdit>(&dialog, "edtKeyword");
        auto *list = child<QListWidget>(&dialog, "lstStock");
        auto *hint = child<QLabel>(&dialog, "lblWaiting");
        typeKeys(edit, keys);
        QCOMPARE(edit->text(), held);
        QCOMPARE(dialog.isVisible(), !keys.split(' ').contains("Esc"));
        QCOMPARE(dialog.getSelectedStock(), QString());
        QCOMPARE(list->count(), 0);
        QCOMPARE(hint->isVisibleTo(&dialog), !filled);
        // The engine may load its cache before the stocks come (with the value matrix): the
        // lookup waits on, a Return typed with it too.
        loadStockCache();
        QCoreApplication::processEvents();
        QCOMPARE(dialog.isVisible(), !keys.split(' ').contains("Esc"));
        QCOMPARE(list->count(), 0);
        QCOMPARE(hint->isVisibleTo(&dialog), !filled);

        bool stored = true;
        const std::unique_ptr<QThread> engine(QThread::create([&] {
            for (const QString &stock : arriving)
                stored = stored && insertStock(stock.section(' ', 0, 0), stock.section(' ', 1, 1), stock.section(' ', 2, 2));
            loadStockCache();
        }));
        engine->start();
        QVERIFY(engine->wait(10000));
        QVERIFY(stored);
        QCoreApplication::processEvents();
        QCOMPARE(rowTexts(list), rows);
        QVERIFY(!hint->isVisibleTo(&dialog));
        QCOMPARE(dialog.isVisible(), ended == open);
        QCOMPARE(dialog.getSelectedStock(), chosen);
        if (ended != open) {
            QCOMPARE(dialog.result(), ended);
            return;
        }
        typeKeys(edit, later);
        QCOMPARE(edit->text(), text);

        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(dialog.isVisible(), rows.isEmpty());
        QCOMPARE(dialog.getSelectedStock(), rows.value(0).section(' ', 0, 0));
    }
};

QTEST_MAIN(TestStockLookup)
#include "tst_stocklookup.moc"
