#include "analysisfixture.h"

#include "modalwatcher.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"

#include <QClipboard>
#include <QHeaderView>
#include <QInputDialog>
#include <QMdiArea>
#include <QSignalSpy>

class TestAnalysisWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QMdiArea> m_area;
    QTableWidget *m_table = nullptr;

    // The window, kept for the whole run, showing request.
    template<class W>
    W *open(void (W::*show)(const QString &, int), const QString &request)
    {
        auto *w = new W;
        m_area->addSubWindow(w, Qt::FramelessWindowHint);
        if (w->testAttribute(Qt::WA_DeleteOnClose))
            QTest::qFail("deleted when closed", __FILE__, __LINE__);
        (w->*show)(filledRequest(request), 0);
        m_table = w->template findChild<QTableWidget *>();
        return w;
    }
    QString style(const QString &code, int column = 0) { return labelAt(m_table, rowOf(m_table, code), column)->styleSheet(); }

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
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        QTableWidget *t = m_table;
        QCOMPARE(t->rowCount(), 5);
        QCOMPARE(rowOf(t, "600001.SH"), 0); // most institutions first
        QCOMPARE(labelAt(t, 0, 1)->toolTip(), QStringLiteral("今日有报告"));
        QCOMPARE(labelAt(t, 0, 2)->textFormat(), Qt::PlainText);
        QCOMPARE(labelAt(t, 0, 3)->styleSheet(), QStringLiteral("color:red;"));
        QCOMPARE(t->item(0, 3)->background().color(), getSortColumnColor());
        for (int c = 0; c < t->columnCount(); ++c)
            QVERIFY2(t->item(4, c), qPrintable(QString::number(c)));
        QVERIFY(labelAt(t, rowOf(t, "600002.SH"), 0)->text().startsWith(QStringLiteral("&lt;b&gt;阿尔法&lt;/b&gt;<br>")));
        QCOMPARE(QStringList({style("600002.SH"), style("600001.SH")}), QStringList({"color:red;", "color:black;"}));
        QCOMPARE(getCurrentStockList().size(), 5);

        // The click passes through the label and makes its row current.
        QSignalSpy industries(w, &QWinConsensusList::showConsensusListOfInd);
        QSignalSpy ratings(w, &QWinStockList::showRatingListOfStock);
        QTest::mouseClick(labelAt(t, 0, 2), Qt::LeftButton);
        QCOMPARE(industries.value(0).value(0).toString(), QStringLiteral("银行"));
        emit t->doubleClicked(t->model()->index(0, 4));
        QCOMPARE(ratings.value(0).value(0).toString(), QStringLiteral("600001.SH"));
    }

    void blockMenuCarriesTheName()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        addBlockStock("A&B", "000001.SZ", false);
        m_table->setCurrentCell(rowOf(m_table, "600001.SH"), 0);
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) {
            for (QAction *a : menu->actions().at(4)->menu()->actions()) {
                if (a->data().toString() == QLatin1String("A&B"))
                    a->trigger();
            }
        });
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QCOMPARE(texts.mid(0, 3), QStringList({"查看研究报告 - 浦发", "查看股票评级 - 浦发", "查看股票走势 - 浦发"}));
        QVERIFY(isStockOfBlock("A&B", "600001.SH"));
        QCOMPARE(style("600001.SH"), QStringLiteral("color:red;"));
        deleteBlock("A&B");
    }

    void newBlockFromTheMenu_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("new") << " 新板块 " << "";
        QTest::newRow("refused character") << "a,b" << "板块名含有不恰当字符!";
    }

    void newBlockFromTheMenu()
    {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_ALL");
        m_table->setCurrentCell(rowOf(m_table, "600001.SH"), 0);
        QSignalSpy sidebar(w, &QWinStockList::loadBlockListOfSidebar);
        ModalWatcher boxes;
        const QStringList before = getBlockNameList();
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) { menu->actions().at(4)->menu()->actions().first()->trigger(); });
        QTimer::singleShot(50, w, [name] {
            if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                dialog->setTextValue(name);
                dialog->accept();
            }
        });
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(!QApplication::activeModalWidget() && (sidebar.count() == 1 || boxes.count() == 1));
        QCOMPARE(boxes.last().text, refusal);
        if (!refusal.isEmpty())
            QCOMPARE(getBlockNameList(), before);
        else
            QCOMPARE(style("600001.SH"), QStringLiteral("color:red;"));
        deleteBlock(name.trimmed());
    }

    void copyTakesThePageShown()
    {
        auto *w = open(&QWinConsensusList::showConsensusList, "CNS_MKT_SH");
        ModalWatcher boxes;
        QStringList texts;
        onMenu(w, &texts, [](QMenu *menu) { menu->actions().last()->trigger(); });
        m_table->setCurrentCell(0, 0);
        emit m_table->customContextMenuRequested(QPoint(10, 10));
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("股票名单已复制到剪贴板"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("600001.SH 浦发\n600002.SH <b>阿尔法</b>\n"));
    }

    void matrixShowsTheCachedLevel()
    {
        auto *w = open(&QWinMatrixList::showMatrixList, "MTX_ALL");
        QTableWidget *t = m_table;
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
        auto *w = open(&QWinQuoteList::showQuoteList, "QUO_ALL");
        QTableWidget *t = m_table;
        QCOMPARE(t->horizontalHeader()->sortIndicatorSection(), 4);
        QCOMPARE(rowOf(t, "000001.SZ"), 0); // the biggest rise first
        QCOMPARE(t->item(0, 4)->background().style(), Qt::NoBrush);
        QCOMPARE(t->item(0, 3)->foreground().color(), QColor(Qt::red));
        QCOMPARE(t->item(rowOf(t, "002001.SZ"), 4)->foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(t->item(rowOf(t, "600002.SH"), 4)->foreground().style(), Qt::NoBrush);
        // A menu would run modally here and be read and closed before the emit returns.
        QStringList texts;
        onMenu(w, &texts);
        t->setCurrentCell(0, 0);
        emit t->customContextMenuRequested(QPoint(10, 10));
        QVERIFY(texts.isEmpty());
    }
};

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
