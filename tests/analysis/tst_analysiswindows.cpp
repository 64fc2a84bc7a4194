#include "analysisfixture.h"

#include "modalwatcher.h"
#include "qcomplexheaderview.h"
#include "qlinklabel.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"

#include <QClipboard>
#include <QInputDialog>
#include <QMdiArea>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>

namespace {

QLabel *labelAt(QTableWidget *table, int row, int column)
{
    return qobject_cast<QLabel *>(table->cellWidget(row, column));
}

// Runs action on the context menu once it is up, then closes it.
void onMenu(const std::function<void(QMenu *)> &action)
{
    QTimer::singleShot(50, [action] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        action(menu);
        menu->close();
    });
}

// Answers the block-name dialog with text once it is up.
void answerBlockName(const QString &text)
{
    QTimer::singleShot(50, [text] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            dialog->setTextValue(text);
            dialog->accept();
        }
    });
}

} // namespace

class TestAnalysisWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;

    template<class W>
    W *addWindow()
    {
        auto *w = new W;
        m_area->addSubWindow(w, Qt::FramelessWindowHint);
        return w;
    }

private slots:
    void initTestCase()
    {
        m_dir = openAnalysisFixture();
        QVERIFY(m_dir);
    }

    void init()
    {
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1200, 600);
        m_area->show();
    }

    void cleanup() { m_area.reset(); }

    void consensusCells()
    {
        auto *w = addWindow<QWinConsensusList>();
        QSignalSpy titles(w, &QWinAnalysisList::showTitle);
        w->showConsensusList(filledRequest("CNS_ALL"), 0);
        QCOMPARE(titles.value(0).value(0).toString(), QStringLiteral("全部股票一致预期"));
        QTableWidget *t = w->findChild<QTableWidget *>();
        QCOMPARE(t->rowCount(), 5);
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 3);
        QCOMPARE(rowOf(t, "600001.SH"), 0); // most institutions first
        QCOMPARE(labelAt(t, 0, 1)->toolTip(), QStringLiteral("今日有报告"));
        QCOMPARE(labelAt(t, 0, 2)->text(), QStringLiteral("银行"));
        QCOMPARE(labelAt(t, 0, 2)->textFormat(), Qt::PlainText);
        QCOMPARE(labelAt(t, 0, 3)->styleSheet(), QStringLiteral("color:red;"));
        QCOMPARE(t->item(0, 3)->background().color(), getSortColumnColor());
        for (int c = 0; c < t->columnCount(); ++c)
            QVERIFY2(t->item(4, c), qPrintable(QString::number(c)));

        const int alpha = rowOf(t, "600002.SH");
        QVERIFY(labelAt(t, alpha, 0)->text().startsWith(QStringLiteral("&lt;b&gt;阿尔法&lt;/b&gt;<br>")));
        QCOMPARE(labelAt(t, alpha, 0)->styleSheet(), QStringLiteral("color:red;")); // in block "b1"
        QCOMPARE(labelAt(t, 0, 0)->styleSheet(), QStringLiteral("color:black;"));
        QCOMPARE(getCurrentStockList().size(), 5);
    }

    void consensusIndustryAndDoubleClick()
    {
        auto *w = addWindow<QWinConsensusList>();
        w->showConsensusList(filledRequest("CNS_ALL"), 0);
        QTableWidget *t = w->findChild<QTableWidget *>();
        QSignalSpy industries(w, &QWinConsensusList::showConsensusListOfInd);
        QSignalSpy ratings(w, &QWinStockList::showRatingListOfStock);
        // The click passes through the label and makes its row current.
        QTest::mouseClick(labelAt(t, 0, 2), Qt::LeftButton);
        QCOMPARE(industries.value(0).value(0).toString(), QStringLiteral("银行"));
        emit t->doubleClicked(t->model()->index(0, 4));
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("600001.SH"));
    }

    void blockMenuCarriesTheName()
    {
        auto *w = addWindow<QWinConsensusList>();
        w->showConsensusList(filledRequest("CNS_ALL"), 0);
        QTableWidget *t = w->findChild<QTableWidget *>();
        addBlockStock("A&B", "000001.SZ", false);
        t->setCurrentCell(rowOf(t, "600001.SH"), 0);
        QStringList texts;
        onMenu([&texts](QMenu *menu) {
            for (QAction *a : menu->actions())
                texts << a->text();
            QMenu *blocks = menu->actions().at(4)->menu();
            for (QAction *a : blocks->actions()) {
                if (a->data().toString() == QLatin1String("A&B"))
                    a->trigger();
            }
        });
        emit t->customContextMenuRequested(QPoint(10, 10));
        QCOMPARE(texts.mid(0, 3), QStringList({"查看研究报告 - 浦发", "查看股票评级 - 浦发", "查看股票走势 - 浦发"}));
        QVERIFY(isStockOfBlock("A&B", "600001.SH"));
        QCOMPARE(labelAt(t, rowOf(t, "600001.SH"), 0)->styleSheet(), QStringLiteral("color:red;"));
        removeBlockStock("A&B", "600001.SH", false);
        deleteBlock("A&B");
    }

    void newBlockFromTheMenu_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("new") << " 新板块 " << "";
        QTest::newRow("existing adds") << "b1" << "";
        QTest::newRow("empty") << "  " << "请填写板块名!";
        QTest::newRow("refused character") << "a,b" << "板块名含有不恰当字符!";
    }

    void newBlockFromTheMenu()
    {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        auto *w = addWindow<QWinConsensusList>();
        w->showConsensusList(filledRequest("CNS_ALL"), 0);
        QTableWidget *t = w->findChild<QTableWidget *>();
        const int row = rowOf(t, "600001.SH");
        t->setCurrentCell(row, 0);
        QSignalSpy sidebar(w, &QWinStockList::loadBlockListOfSidebar);
        ModalWatcher boxes;
        const QStringList before = getBlockNameList();
        onMenu([](QMenu *menu) { menu->actions().at(4)->menu()->actions().first()->trigger(); });
        answerBlockName(name);
        emit t->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(!QApplication::activeModalWidget() && (sidebar.count() == 1 || boxes.count() == 1));
        if (!refusal.isEmpty()) {
            QCOMPARE(boxes.last().text, refusal);
            QCOMPARE(getBlockNameList(), before);
            return;
        }
        QVERIFY(isStockOfBlock(name.trimmed(), "600001.SH"));
        QCOMPARE(labelAt(t, row, 0)->styleSheet(), QStringLiteral("color:red;"));
        removeBlockStock(name.trimmed(), "600001.SH", false);
        if (name.trimmed() != QLatin1String("b1"))
            deleteBlock(name.trimmed());
    }

    void copyTakesThePageShown()
    {
        auto *w = addWindow<QWinConsensusList>();
        w->showConsensusList(filledRequest("CNS_MKT_SH"), 0);
        ModalWatcher boxes;
        QTableWidget *t = w->findChild<QTableWidget *>();
        onMenu([](QMenu *menu) { menu->actions().last()->trigger(); });
        t->setCurrentCell(0, 0);
        emit t->customContextMenuRequested(QPoint(10, 10));
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("股票名单已复制到剪贴板"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("600001.SH 浦发\n600002.SH <b>阿尔法</b>\n"));
    }

    void matrixShowsTheCachedLevel()
    {
        auto *w = addWindow<QWinMatrixList>();
        w->showMatrixList(filledRequest("MTX_ALL"), 0);
        QTableWidget *t = w->findChild<QTableWidget *>();
        QVERIFY(t->wordWrap());
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 3);
        QCOMPARE(t->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // The query sorts 000001.SZ by no level (its matrix row is of an old snapshot) and so
        // does the cache.
        QCOMPARE(rowOf(t, "002001.SZ"), 0);
        QCOMPARE(labelAt(t, rowOf(t, "000001.SZ"), 3)->text(), QStringLiteral("&nbsp;-"));
        QCOMPARE(labelAt(t, 0, 3)->text(), QStringLiteral("&nbsp;<img src=':/images/8.png'>&nbsp;A"));
        QCOMPARE(t->item(rowOf(t, "600001.SH"), 22)->text(), QStringLiteral("预增"));
        QSignalSpy charts(w, &QWinStockList::showChartOfStock);
        t->setCurrentCell(0, 0);
        emit t->doubleClicked(t->model()->index(0, 5));
        QCOMPARE(charts.value(0).value(0).toString(), QStringLiteral("002001.SZ"));

        w->showMatrixList(filledRequest("MTX_LVL_C"), 0);
        QCOMPARE(t->rowCount(), 1);
    }

    void quoteHasNoMenuAndNoTint()
    {
        auto *w = addWindow<QWinQuoteList>();
        w->showQuoteList(filledRequest("QUO_ALL"), 0);
        QTableWidget *t = w->findChild<QTableWidget *>();
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 4);
        QCOMPARE(rowOf(t, "000001.SZ"), 0); // the biggest rise first
        QCOMPARE(t->item(0, 4)->background().style(), Qt::NoBrush);
        QCOMPARE(t->item(0, 3)->foreground().color(), QColor(Qt::red));
        const int falling = rowOf(t, "002001.SZ");
        QCOMPARE(t->item(falling, 4)->foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(t->item(rowOf(t, "600002.SH"), 4)->foreground().style(), Qt::NoBrush);
        bool menu = false;
        onMenu([&menu](QMenu *) { menu = true; });
        t->setCurrentCell(0, 0);
        emit t->customContextMenuRequested(QPoint(10, 10));
        QTest::qWait(100);
        QVERIFY(!menu);
    }
};

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
