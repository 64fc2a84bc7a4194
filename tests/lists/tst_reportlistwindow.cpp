#include "reportfixture.h"

#include "analystaward.h"
#include "modalwatcher.h"
#include "qcelllabel.h"
#include "qlinklabel.h"
#include "serviceapi.h"
#include "startup.h"
#include "stockcache.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTextDocument>

#include <cmath>

// Stands for the session's download dialog: visible while a report downloads.
class QDlgDownloadFile : public QDialog
{
    Q_OBJECT
};

namespace {

// Newest entry 2017-01-06 15:30:00; by entry: 101, 109, 106, 102, 103, 104, 105.
const QList<FixtureReport> kReports = {
    {101, "2017-01-06 15:30:00", "2017-01-06", "中信证券", "STK.COM@CN", "PE<10倍 & \"低估\" 'A' \\ 银行",
     "张三[1001],李四[1004]", "000001.SZ", "银行", 0, 20, "PDF", 0, 1},
    {102, "2017-01-06 09:00:00", "2017-01-05", "<b>粗</b>证券", "NOPE", "次日入库", "王五", "", "", 0, 0, "DOCX", 1},
    {103, "2017-01-05 08:00:00", "2017-01-05", "国泰君安", "MCR@CN", "一天前", "", "", "", 0, 3, "pdf", 0},
    {104, "2017-01-03 08:00:00", "2017-01-02 00:00:00", "国泰君安", "MCR@CN", "三天前", "", "", "", 0, 3, "", 0},
    {105, "2017-01-02 08:00:00", "2016-12-30", "国泰君安", "MCR@CN", "四天前", "", "", "", 0, 3, "XLS", 1},
    {106, "2017-01-06 10:00:00", "2017-01-09", "国泰君安", "MCR@CN", "先入库后发布", "", "", "", 0, 3, "PPT", 1},
    {109, "2017-01-06 11:00:00", "", "国泰君安", "STK.COM@CN", "平安银行点评", "", "", "", 0, 1, "PDF", 1},
};

int updates() { return sqlText("select count(*) from T_UpdateLog").toInt(); }

} // namespace

class TestReportListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWinReportList> m_win;
    QTableWidget *m_table = nullptr;

    void show(const QString &request = filledRequest("RPT_NEW"), int page = 0)
    {
        m_win->showReportList(request, page);
        m_table = m_win->findChild<QTableWidget *>();
    }

    template<class T = QLabel>
    T *cell(const char *id, int column)
    {
        return qobject_cast<T *>(m_table->cellWidget(rowOf(m_table, id), column));
    }

    QString style(const char *id, int column) { return ownColour(cell(id, column)); }

    bool isBold(const char *id) { return m_table->item(rowOf(m_table, id), 0)->font().bold(); }

    bool hasFavoriteMark(const char *id) { return !m_table->item(rowOf(m_table, id), 1)->icon().isNull(); }

    void select(const char *id) { m_table->setCurrentCell(rowOf(m_table, id), 0); }

    // "1" for each bold item of the row, then the columns of its bold cell widgets.
    QString boldCells(const char *id)
    {
        QString bold;
        for (int c = 0; c < m_table->columnCount(); ++c)
            bold += m_table->item(rowOf(m_table, id), c)->font().bold() ? QLatin1Char('1') : QLatin1Char('0');
        for (int c = 0; c < m_table->columnCount(); ++c)
            bold += cell(id, c) && cell(id, c)->font().bold() ? QString::number(c) : QString();
        return bold;
    }

    void click(const char *id)
    {
        const QPoint at = m_table->visualItemRect(m_table->item(rowOf(m_table, id), 6)).center();
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // What the favourite submenu's folder entry does when (un)checked.
    void toggleFavorite(const char *id, const QString &folder, bool checked)
    {
        select(id);
        QAction entry;
        entry.setData(folder);
        connect(&entry, &QAction::triggered, m_win.get(), &QWinReportList::addReportToFav);
        emit entry.triggered(checked);
    }

private slots:
    void initTestCase()
    {
        m_dir = openFixtureDatabase({});
        QVERIFY(m_dir);
        setDataYear(2012);
        QVERIFY(execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit) values ('000001.SZ', '平安银行', 0)"));
        loadStockCache();
        QVERIFY(execSql("create table T_UpdateLog (id integer)"));
        QVERIFY(execSql("create trigger T_Report_Updated after update on T_Report "
                        "begin insert into T_UpdateLog values (new.Rpt_ID); end"));
    }

    void init()
    {
        clearUserLists();
        QVERIFY(execSql("delete from T_Report") && execSql("delete from T_UpdateLog"));
        for (const FixtureReport &r : kReports)
            QVERIFY(insertReport(r));
        m_win = std::make_unique<QWinReportList>();
        show();
        QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
    }

    void cleanup() { execSql("drop trigger if exists Refuse"); }

    void rowTexts_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("fileName"); // characters a path cannot hold turned full-width
        auto row = [](const char *name, const char *id, const char *date, const char *suffix, const char *icon,
                      const char *file) { QTest::newRow(name) << id << date << suffix << icon << file; };
        row("newest day, published that day", "101", "01/06 15:30*", "0106", "pdf",
            "中信证券-PE＜10倍 & “低估“ 'A' ＼ 银行-20170106.pdf");
        row("newest day, published the day before", "102", "01/06 09:00", "0105", "doc",
            "＜b＞粗＜／b＞证券-次日入库-20170105.docx");
        row("lower-case type", "103", "01/05 08:00", "0105", "", "国泰君安-一天前-20170105.pdf");
        row("published as a date-time, empty type", "104", "01/03 08:00", "0102", "pdf", "国泰君安-三天前-20170102.pdf");
        row("four days", "105", "2017/01/02", "20161230", "xls", "国泰君安-四天前-20161230.xls");
        row("entered before publication", "106", "01/06 10:00*", "0109", "ppt", "国泰君安-先入库后发布-20170109.ppt");
    }

    void rowTexts()
    {
        QFETCH(QString, id);
        QFETCH(QString, icon);
        const int row = rowOf(m_table, id);
        QTEST(m_table->item(row, 0)->text(), "date");
        QTEST(cell(qPrintable(id), 3)->text().section(QStringLiteral("<font color='gray'> - "), 1).chopped(7), "suffix");
        QTEST(m_table->item(row, 0)->data(Qt::UserRole + 2).toString(), "fileName");
        const QImage shown = cell(qPrintable(id), 5)->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(shown, icon.isEmpty() ? QImage() : QImage(":/images/" + icon + ".png").convertToFormat(shown.format()));
    }

    // Database texts show as they are stored, whatever HTML they hold.
    void escapedTexts()
    {
        QTextDocument title;
        title.setHtml(cell("101", 3)->text());
        QCOMPARE(title.toPlainText(), QStringLiteral("【公司研究】PE<10倍 & \"低估\" 'A' \\ 银行 - 0106"));
        QVERIFY(cell("102", 3)->text().startsWith(QStringLiteral("【其他】次日入库")));
        QCOMPARE(cell("102", 2)->textFormat(), Qt::PlainText);
        QSignalSpy ofInst(m_win.get(), &QWinReportList::showReportListOfInst);
        select("102");
        emit cell<QLinkLabel>("102", 2)->clicked();
        QCOMPARE(ofInst.value(0).value(0).toString(), QStringLiteral("<b>粗</b>证券"));
    }

    void pagingAndNumbering_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("disableNext");
        QTest::addColumn<QString>("firstNumber");
        QTest::newRow("fewer rows than a page") << 4 << 1 << 1 << "5";
        QTest::newRow("exactly a page") << 3 << 1 << 0 << "4";
        QTest::newRow("no rows") << 50 << 3 << 1 << "";
    }

    void pagingAndNumbering()
    {
        QFETCH(int, pageSize);
        QFETCH(int, page);
        setPageSize(pageSize);
        QSignalSpy next(m_win.get(), &QWinReportList::disablePageNext);
        QSignalSpy last(m_win.get(), &QWinReportList::disablePageLast);
        show(filledRequest("RPT_NEW"), page);
        QTEST(next.count(), "disableNext");
        QCOMPARE(last.count(), 1);
        QTEST(m_table->rowCount() ? m_table->verticalHeaderItem(0)->text() : QString(), "firstNumber");
    }

    // The same page of a list again keeps its rows; the newest reports are always queried anew.
    void repeatedRequestRunsNoQuery()
    {
        const QString request = filledRequest("RPT_INS", {{"inst", "国泰君安"}});
        show(request);
        QVERIFY(insertReport({107, "2017-01-06 12:00:00", "", "国泰君安", "MCR@CN", "新到", "", "", "", 0, 1}));
        QSignalSpy title(m_win.get(), &QWinReportList::showTitle);
        show(request);
        QCOMPARE(m_table->rowCount() * 10 + title.count(), 51);
        show();
        QCOMPARE(m_table->rowCount(), kReports.size() + 1);
    }

    void marksFollowTheUserLists()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        addFavoriteReport(QStringLiteral("收藏"), QStringLiteral("103"), false);
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
        show();
        QCOMPARE(style("101", 2) + style("103", 2) + style("109", 3) + style("103", 3),
                 QStringLiteral("color:blue;color:gray;color:red;color:black;"));
        QVERIFY(hasFavoriteMark("103"));
        // The main window's signals re-mark the rows after the lists changed.
        clearUserLists();
        m_win->markConcernedInst();
        m_win->markFavoriteReport();
        m_win->markBlockedStock();
        QCOMPARE(style("101", 2) + style("109", 3), QStringLiteral("color:gray;color:black;"));
        QVERIFY(!hasFavoriteMark("103"));

        // Following an institution from a row marks its rows and reloads the side bar.
        QSignalSpy sidebar(m_win.get(), &QWinReportList::loadConcernedInstListOfSidebar);
        select("103");
        m_win->addConcernedInst();
        QCOMPARE(style("104", 2) + QString::number(sidebar.count()), QStringLiteral("color:blue;1"));
        m_win->removeConcernedInst();
        QCOMPARE(style("104", 2) + QString::number(sidebar.count()), QStringLiteral("color:gray;2"));
        QVERIFY(getConcernedInstList().isEmpty() && getConcernedInstModified() > 0);
    }

    // The press on a label reaches the table, which makes the row current, so the label acts on
    // its own row; a left click's clicked() comes before the table's clicked(QModelIndex).
    void linkLabelInTable()
    {
        QSignalSpy ofInst(m_win.get(), &QWinReportList::showReportListOfInst);
        QStringList order;
        connect(cell<QLinkLabel>("103", 2), &QLinkLabel::clicked, this, [&] { order << "label"; });
        connect(m_table, &QTableWidget::clicked, this, [&] { order << "table"; });
        for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
            m_table->setCurrentCell(0, 0);
            QTest::mouseClick(cell("103", 2), button, Qt::NoModifier, QPoint(5, 5));
            QCOMPARE(m_table->currentRow(), rowOf(m_table, "103"));
        }
        QCOMPARE(order, (QStringList{"label", "table"}));
        QCOMPARE(ofInst.value(0).value(0).toString(), QStringLiteral("国泰君安"));
    }

    // Hovering shows a link; a label made unclickable shows and emits nothing.
    void linkLabelHover()
    {
        for (bool clickable : {true, false}) {
            QLinkLabel label;
            label.setText(QStringLiteral("国泰君安"));
            label.setClickable(clickable);
            label.show();
            QSignalSpy clicked(&label, &QLinkLabel::clicked);
            QString seen; // underline and cursor shape while hovered, then after leaving
            for (QEvent::Type type : {QEvent::Enter, QEvent::Leave}) {
                QEvent event(type);
                QApplication::sendEvent(&label, &event);
                seen += QStringLiteral("%1%2|").arg(label.font().underline()).arg(label.cursor().shape());
                QTest::mouseClick(&label, Qt::LeftButton);
            }
            QCOMPARE(seen + QString::number(clicked.count()), clickable ? QStringLiteral("113|00|2") : "00|00|0");
        }
    }

    // A label shows the picture it was last given, whatever it showed in between.
    void cellLabelPicture_data()
    {
        QTest::addColumn<QString>("between"); // given between the PDF picture and the next one
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the same") << "" << "pdf" << "pdf";
        QTest::newRow("another") << "" << "doc" << "doc";
        QTest::newRow("none") << "" << "" << "";
        QTest::newRow("the same after a text") << "text" << "pdf" << "pdf";
        QTest::newRow("the same after another pixmap") << "pixmap" << "pdf" << "pdf";
        QTest::newRow("the same after clearing") << "clear" << "pdf" << "pdf";
    }

    void cellLabelPicture()
    {
        QFETCH(QString, between);
        QFETCH(QString, next);
        QFETCH(QString, shown);
        const auto file = [](const QString &name) { return name.isEmpty() ? QString() : ":/images/" + name + ".png"; };
        QCellLabel label;
        label.setPicture(file("pdf"));
        if (between == "text")
            label.setText(QStringLiteral("PDF"));
        else if (between == "pixmap")
            label.setPixmap(QPixmap(file("xls")));
        else if (between == "clear")
            label.clear();
        label.setPicture(file(next));
        const QImage image = label.pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image, QImage(file(shown)).convertToFormat(QImage::Format_ARGB32));
    }

    // Under the program's style sheet each label covers what the style gives its cell's text:
    // the whole cell over a blank item, the part after a favourite's mark in the mark column.
    void labelsCoverTheirCells()
    {
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        const auto plainLook = qScopeGuard([] { qApp->setStyleSheet(QString()); });
        addFavoriteReport(QStringLiteral("收藏"), QStringLiteral("103"), false);
        show();
        QVERIFY(hasFavoriteMark("103"));
        const auto places = [this] {
            m_table->doItemsLayout();
            QStringList shown;
            for (int r = 0; r < m_table->rowCount(); ++r) {
                for (int c = 0; c < m_table->columnCount(); ++c) {
                    if (const QWidget *label = m_table->cellWidget(r, c)) {
                        const QRect g = label->geometry();
                        shown << QStringLiteral("%1/%2 %3,%4 %5x%6").arg(r).arg(c).arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
                    }
                }
            }
            return shown;
        };
        const QStringList own = places();
        QStyledItemDelegate styled;
        QAbstractItemDelegate *delegate = m_table->itemDelegate();
        m_table->setItemDelegate(&styled);
        const QStringList byStyle = places();
        m_table->setItemDelegate(delegate);
        QVERIFY(m_table->rowCount() > 0);
        QCOMPARE(own.size(), m_table->rowCount() * 5);
        QCOMPARE(own, byStyle);
    }

    // Under the program's style sheet a page's rich texts look as a QLabel shows them: titles,
    // bold, red for a blocked stock, underlined under the pointer; analysts as links after their
    // medals; the lock of an exclusive report.
    void richTextLooksAsInALabel()
    {
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        const auto plainLook = qScopeGuard([] {
            qApp->setStyleSheet(QString());
            clearAnalystAwardTable();
        });
        clearAnalystAwardTable();
        loadAnalystAwardTable();
        addBlockStock(QStringLiteral("银行股"), QStringLiteral("000001.SZ"), false);
        show();
        QVERIFY(cell("101", 4)->text().contains(QStringLiteral("<img")) && !cell("101", 1)->text().isEmpty());
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(cell("103", 3), &enter);
        QVERIFY(cell("103", 3)->font().underline());
        QVERIFY(cell("101", 3)->font().bold() && !cell("109", 3)->font().bold());
        QStringList compared, differing;
        for (int r = 0; r < m_table->rowCount(); ++r) {
            for (int c : {1, 3, 4}) {
                auto *label = qobject_cast<QLabel *>(m_table->cellWidget(r, c));
                if (!label || label->text().isEmpty())
                    continue;
                QLabel twin(m_table->viewport());
                twin.setTextFormat(label->textFormat());
                twin.setText(label->text());
                twin.setFont(label->font());
                twin.setPalette(label->palette());
                twin.setAlignment(label->alignment());
                twin.setWordWrap(label->wordWrap());
                twin.setGeometry(label->geometry());
                const QString at = QStringLiteral("%1/%2").arg(r).arg(c);
                compared << at;
                if (label->grab().toImage() != twin.grab().toImage())
                    differing << at;
            }
        }
        QCOMPARE(compared.size(), m_table->rowCount() + 3); // every title, two analyst lists, one lock
        QCOMPARE(differing, QStringList());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(cell("103", 3), &leave);
    }

    // A click on an analyst's name, across a painted label, asks for the analyst's reports.
    void analystLinkClicked()
    {
        QCellLabel *analysts = cell<QCellLabel>("101", 4);
        QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
        analysts->repaint();
        QSignalSpy ofAnalyst(m_win.get(), &QWinReportList::showReportListOfAnls);
        for (int x = 2; x < analysts->width() && ofAnalyst.isEmpty(); x += 3)
            QTest::mouseClick(analysts, Qt::LeftButton, Qt::NoModifier, QPoint(x, analysts->height() / 2));
        QCOMPARE(ofAnalyst.value(0).value(0).toString(), QStringLiteral("1001"));
    }

    // The follow entry of the context menu names the row's institution and fits its state.
    void contextMenuFollowEntry()
    {
        addToConcernedInstList(QStringLiteral("中信证券"));
        QStringList shown;
        for (const char *id : {"101", "103"}) {
            select(id);
            shown += popupMenuTexts([this] { emit m_table->customContextMenuRequested(QPoint(5, 5)); })
                         .filter(QRegularExpression(QStringLiteral("^(添加|取消)关注机构")));
        }
        QCOMPARE(shown, (QStringList{"取消关注机构 - 中信证券", "添加关注机构 - 国泰君安"}));
    }

    // Before any list was shown, going back shows the newest reports.
    void lastListBeforeAnyList()
    {
        QWinReportList fresh;
        QSignalSpy shown(&fresh, &QWinReportList::showList);
        fresh.showLastList();
        QCOMPARE(shown.value(0), (QVariantList{getOrderJson(QStringLiteral("RPT_NEW")), 0}));
    }

    // Under the program's style sheet, a selected row keeps its grey, blue and red texts legible
    // on the selection colour; the mark column is as narrow as asked.
    void selectedRowStaysReadable()
    {
        QVERIFY(installStyleSheet(qApp, QFileInfo(QFINDTESTDATA("../../app/skin.qss")).absolutePath()));
        const QColor selection = m_table->palette().color(QPalette::Active, QPalette::Highlight);
        qApp->setStyleSheet(QString());
        QCOMPARE(m_table->columnWidth(1), 25);
        // WCAG's contrast ratio of relative luminances; 3 is the least for text of this size.
        const auto luminance = [](const QColor &c) {
            const auto channel = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF()) + 0.05;
        };
        for (const char *name : {"gray", "blue", "red", "black"}) { // as the rows name them
            const qreal a = luminance(QColor(QLatin1String(name))), b = luminance(selection);
            QVERIFY2(qMax(a, b) / qMin(a, b) >= 3.0, name);
        }
    }

    // A row is unbolded once its flag is stored, and a read row runs no statement; "set all
    // read" stores the page's flags in one transaction, or none of them.
    void readFlags()
    {
        setPageSize(5);
        show();
        QVERIFY(refuseUpdatesOf("T_Report", "103"));
        {
            ModalWatcher boxes;
            m_win->setReportAllReaded();
            QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        }
        QCOMPARE(readFlagOf("T_Report", "101"), 0);
        QVERIFY(isBold("101") && isBold("103"));
        QVERIFY(mainDatabase().transaction() && mainDatabase().commit()); // none left open
        QVERIFY(execSql("drop trigger Refuse"));
        m_win->setReportAllReaded();
        QCOMPARE(readFlagOf("T_Report", "101") + readFlagOf("T_Report", "103"), 2);
        QCOMPARE(readFlagOf("T_Report", "104"), 0); // not on this page
        QVERIFY(!isBold("101") && !isBold("103") && !cell("101", 2)->font().bold());
        int stored = updates();
        m_win->setReportAllReaded();
        QCOMPARE(updates(), stored);

        setPageSize(50);
        show();
        QVERIFY(refuseUpdatesOf("T_Report", "104"));
        click("104");
        QCOMPARE(boldCells("104"), QStringLiteral("111111123"));
        QVERIFY(execSql("drop trigger Refuse"));
        click("104");
        QCOMPARE(boldCells("104"), QStringLiteral("0000000"));
        QCOMPARE(readFlagOf("T_Report", "104"), 1);
        click("104");
        click("102");
        QCOMPARE(updates(), stored + 1); // a read row runs no statement
        show();
        QVERIFY(!isBold("104"));
    }

    void favoriteFolders()
    {
        addFavoriteReport(QStringLiteral("甲"), QStringLiteral("101"), false);
        addFavoriteReport(QStringLiteral("乙&丙"), QStringLiteral("101,102"), false);
        m_win->markFavoriteReport();
        // Unchecking one folder keeps the report in the other, and its mark.
        toggleFavorite("101", QStringLiteral("乙&丙"), false);
        QCOMPARE(getFavoriteReportIds(QStringLiteral("乙&丙")), QStringList{"102"});
        QVERIFY(hasFavoriteMark("101") && getReportFavoriteModified() > 0);
        toggleFavorite("101", QStringLiteral("甲"), false);
        QVERIFY(!hasFavoriteMark("101"));
        toggleFavorite("103", QStringLiteral("甲"), true);
        QVERIFY(isFavoriteReport(QStringLiteral("甲"), QStringLiteral("103")) && hasFavoriteMark("103"));
    }

    // A refused name makes no folder; a new one holds the row's report and reloads the side bar.
    void newFavorite()
    {
        select("102");
        QSignalSpy sidebar(m_win.get(), &QWinReportList::loadFavoriteListOfSidebar);
        ModalWatcher boxes;
        for (const char *name : {"a,b", "   ", "  新夹 "}) {
            answerInputDialog(QString::fromUtf8(name));
            m_win->newFav();
        }
        QStringList texts;
        for (const ModalWatcher::Box &box : boxes.boxes())
            texts << box.text;
        QCOMPARE(texts, (QStringList{"收藏夹名称含有不恰当字符!", "请填写收藏夹名称!"}));
        QCOMPARE(getFavoriteNameList(), QStringList{"新夹"});
        QVERIFY(isFavoriteReport(QStringLiteral("新夹"), QStringLiteral("102")) && sidebar.count() == 1);
    }

    void copyList()
    {
        ModalWatcher boxes;
        m_win->copyReportList();
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size() * 10 + boxes.count(), (kReports.size() + 1) * 10 + 1);
        QCOMPARE(lines.at(0), QStringLiteral("2017/01/06\t中信证券\tPE<10倍 & \"低估\" 'A' \\ 银行\t张三,李四\t20"));
        QCOMPARE(lines.at(3), QStringLiteral("2017/01/05\t<b>粗</b>证券\t次日入库\t王五\t-"));
    }

    void saveOverAnExistingFile_data()
    {
        QTest::addColumn<bool>("localCopy");
        QTest::addColumn<bool>("downloading");
        QTest::addColumn<QByteArray>("after"); // the target's contents; empty: removed for the download
        QTest::newRow("local copy: copied over") << true << false << QByteArray("%PDF new report");
        QTest::newRow("no local copy: removed, downloaded into") << false << false << QByteArray();
        QTest::newRow("a download running: refused") << false << true << QByteArray("an older file");
    }

    void saveOverAnExistingFile()
    {
        QFETCH(bool, localCopy);
        QFETCH(bool, downloading);
        QFETCH(QByteArray, after);
        const QString local = getLocalFilePath(m_table->item(rowOf(m_table, "101"), 0)->data(Qt::UserRole + 2).toString());
        QFile::remove(local);
        const QString target = m_dir->filePath("saved/old.pdf");
        QVERIFY((!localCopy || writeFile(local, "%PDF new report")) && writeFile(target, "an older file"));
        QDlgDownloadFile download;
        download.setVisible(downloading);
        QSignalSpy open(m_win.get(), &QWinReportList::openFile);
        ModalWatcher boxes;
        QCOMPARE(m_win->saveReportTo(rowOf(m_table, "101"), target), !downloading);
        QCOMPARE(readFile(target), after);
        QCOMPARE(boxes.count(), downloading ? 1 : 0);
        QCOMPARE(open.value(0), downloading ? QVariantList() : (QVariantList{"101", target}));
    }

    void search_data()
    {
        QTest::addColumn<bool>("advanced");
        QTest::addColumn<QString>("fields"); // title|institution|analyst|category index|start year|end year
        QTest::addColumn<QString>("outcome"); // the search's arguments, or the refusal and the field given focus
        QTest::newRow("hidden bar ignores its fields") << false << "  铅 -铅笔 |中信|张三|1||" << "铅 -铅笔|||||";
        QTest::newRow("plus refused") << false << "铅 +铅笔|||0||" << "注意关键词包含不恰当的字符！|0";
        QTest::newRow("advanced") << true << "银行| 中信 |张三 李四|2|2015|2015" << "银行|中信|张三 李四|MCR@CN|2015|2015";
        QTest::newRow("end year before start year") << true << "|||0|2015|2014" << "注意终止年份不能早于起始年份！|5";
        QTest::newRow("analyst refused") << true << "||张三;|0||" << "注意分析师含不恰当的字符！|2";
    }

    void search()
    {
        QFETCH(bool, advanced);
        QFETCH(QString, fields);
        QFETCH(QString, outcome);
        const QStringList f = fields.split(QLatin1Char('|'));
        const QList<QLineEdit *> edits = m_win->findChildren<QLineEdit *>();
        const QList<QComboBox *> boxes = m_win->findChildren<QComboBox *>();
        if (advanced)
            m_win->showAdvanceSearchBar();
        for (int i = 0; i < 3; ++i) {
            edits.at(i)->setText(f.at(i));
            i ? boxes.at(i)->setCurrentText(f.at(3 + i)) : boxes.at(0)->setCurrentIndex(f.at(3).toInt());
        }
        QSignalSpy spy(m_win.get(), &QWinReportList::showReportListOfSearch);
        ModalWatcher refusals;
        QTest::keyClick(edits.at(0), Qt::Key_Return);
        QStringList args = QVariant(spy.value(0)).toStringList();
        const QList<QWidget *> order = {edits.at(0), edits.at(1), edits.at(2), boxes.at(0), boxes.at(1), boxes.at(2)};
        if (refusals.count())
            args << refusals.last().title + refusals.last().text << QString::number(order.indexOf(m_win->focusWidget()));
        QCOMPARE(args.join(QLatin1Char('|')), outcome);
    }
};

QTEST_MAIN(TestReportListWindow)
#include "tst_reportlistwindow.moc"
