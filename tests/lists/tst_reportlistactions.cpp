#include "reportfixture.h"

#include "modalanswer.h"
#include "qlinklabel.h"
#include "qwinreportlist.h"
#include "serviceapi.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>

// Stands for the session's download dialog: visible while a report downloads.
class QDlgDownloadFile : public QDialog
{
    Q_OBJECT
};

namespace {

const QList<FixtureReport> kReports = {
    {201, "2017-01-06 15:30:00", "2017-01-06", "中信证券", "STK.COM@CN", "平安银行点评", "张三[1001],李四[1002]", "", "", 0, 20},
    {202, "2017-01-06 14:00:00", "2017-01-05", "国泰君安", "MCR@CN", "宏观周报", "王五[1003]", "", "", 0, 8},
    {203, "2017-01-06 13:00:00", "2017-01-06", "海通证券", "STK.IND@CN", "行业点评", "", "", "", 0, 0, "PDF", 1},
    {204, "2017-01-06 12:00:00", "2017-01-06", "海通证券", "STK.IND@CN", "第二页", "", "", "", 0, 3},
};

QTableWidget *tableOf(QWinReportList &w)
{
    return w.findChild<QTableWidget *>();
}

int rowOf(QTableWidget *t, const QString &id)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0)->data(Qt::UserRole).toString() == id)
            return r;
    }
    return -1;
}

bool isBold(QTableWidget *t, int row)
{
    return t->item(row, 0)->font().weight() > QFont::Normal;
}

int readFlag(const QString &id)
{
    QSqlQuery q(mainDatabase());
    q.exec(QStringLiteral("select Rpt_Readed from T_Report where Rpt_ID = ") + id);
    return q.next() ? q.value(0).toInt() : -1;
}

int updateCount()
{
    QSqlQuery q(mainDatabase());
    q.exec(QStringLiteral("select count(*) from T_UpdateLog"));
    return q.next() ? q.value(0).toInt() : -1;
}

void clickRow(QTableWidget *t, int row)
{
    const QRect rect = t->visualItemRect(t->item(row, 6));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

// Runs the context menu at the row and hands the open menu to inspect before closing it.
void withContextMenu(QWinReportList &w, int row, const std::function<void(QMenu *)> &inspect)
{
    QTableWidget *t = tableOf(w);
    t->setCurrentCell(row, 0);
    bool seen = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || seen)
            return;
        seen = true;
        inspect(menu);
        menu->close();
    });
    timer.start();
    w.popMenuOfReportList(t->visualItemRect(t->item(row, 0)).center());
    QVERIFY(seen);
}

QStringList visibleTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            texts << QStringLiteral("-");
        else if (a->isVisible())
            texts << a->text() + (a->isChecked() ? QStringLiteral(" [x]") : QString());
    }
    return texts;
}

QMenu *favoriteMenu(const QMenu *menu)
{
    for (const QAction *a : menu->actions()) {
        if (a->menu())
            return a->menu();
    }
    return nullptr;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TestReportListActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readMarkReachesDatabase();
    void failedReadMarkKeepsRowBold();
    void allReadInOneTransaction();
    void allReadOnlyThisPage();
    void viewOpensLocalPath();
    void contextMenuEntries();
    void favoriteEntries();
    void newFavorite_data();
    void newFavorite();
    void concernedInstitutions();
    void copyList();
    void copyEmptyList();
    void saveCopiesLocalCopyOverExistingFile();
    void saveDownloadsIntoChosenPath();
    void saveRefusedWhileDownloading();
    void saveDialog();
    void search_data();
    void search();
    void searchYearsWhenDataYearIsThisYear();
    void showLastList();
    void closeKeepsWindow();

private:
    void showNewest();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWinReportList> m_win;
    QTableWidget *m_table = nullptr;
};

void TestReportListActions::initTestCase()
{
    m_dir = openFixtureDatabase();
    QVERIFY(m_dir);
    QVERIFY(execSql("create table T_UpdateLog (id integer)"));
    QVERIFY(execSql("create trigger T_Report_Updated after update on T_Report "
                    "begin insert into T_UpdateLog values (new.Rpt_ID); end"));
}

void TestReportListActions::init()
{
    clearUserLists();
    setPageSize(50);
    setPageCount(0);
    setDataYear(2012);
    QVERIFY(execSql("delete from T_Report"));
    QVERIFY(execSql("delete from T_UpdateLog"));
    for (const FixtureReport &r : kReports)
        QVERIFY(insertReport(r));
    m_win = std::make_unique<QWinReportList>();
    m_table = tableOf(*m_win);
}

void TestReportListActions::cleanup()
{
    execSql("drop trigger if exists T_Report_Refuse");
    m_win.reset();
}

void TestReportListActions::showNewest()
{
    m_win->showReportList(filledRequest("RPT_NEW"), 0);
    QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
}

void TestReportListActions::readMarkReachesDatabase()
{
    showNewest();
    const int row = rowOf(m_table, "202");
    QVERIFY(isBold(m_table, row));
    clickRow(m_table, row);
    QCOMPARE(m_table->currentRow(), row);
    QVERIFY(!isBold(m_table, row));
    QCOMPARE(m_table->cellWidget(row, 2)->font().weight(), int(QFont::Normal));
    QCOMPARE(m_table->cellWidget(row, 3)->font().weight(), int(QFont::Normal));
    QCOMPARE(readFlag("202"), 1);
    QCOMPARE(updateCount(), 1);

    // A read row runs no statement.
    clickRow(m_table, row);
    clickRow(m_table, rowOf(m_table, "203"));
    QCOMPARE(updateCount(), 1);

    // The mark survives the next fill.
    showNewest();
    QVERIFY(!isBold(m_table, rowOf(m_table, "202")));
    QVERIFY(isBold(m_table, rowOf(m_table, "201")));
}

void TestReportListActions::failedReadMarkKeepsRowBold()
{
    QVERIFY(execSql("create trigger T_Report_Refuse before update on T_Report when old.Rpt_ID = 202 "
                    "begin select raise(abort, 'refused'); end"));
    showNewest();
    const int row = rowOf(m_table, "202");
    clickRow(m_table, row);
    QVERIFY(isBold(m_table, row));
    QCOMPARE(m_table->cellWidget(row, 3)->font().weight(), int(QFont::Bold));
    QCOMPARE(readFlag("202"), 0);
}

void TestReportListActions::allReadInOneTransaction()
{
    QVERIFY(execSql("create trigger T_Report_Refuse before update on T_Report when old.Rpt_ID = 204 "
                    "begin select raise(abort, 'refused'); end"));
    showNewest();
    {
        ModalAnswer answer;
        m_win->setReportAllReaded();
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.at(0).title, QStringLiteral("错误"));
    }
    // Nothing was written and every unread row stays bold.
    for (const char *id : {"201", "202", "204"}) {
        QCOMPARE(readFlag(id), 0);
        QVERIFY(isBold(m_table, rowOf(m_table, id)));
    }
    QVERIFY(mainDatabase().transaction()); // no transaction was left open
    QVERIFY(mainDatabase().commit());

    QVERIFY(execSql("drop trigger T_Report_Refuse"));
    m_win->setReportAllReaded();
    for (const char *id : {"201", "202", "203", "204"}) {
        QCOMPARE(readFlag(id), 1);
        QVERIFY(!isBold(m_table, rowOf(m_table, id)));
        QCOMPARE(m_table->cellWidget(rowOf(m_table, id), 2)->font().weight(), int(QFont::Normal));
    }

    // A page without unread rows commits an empty transaction and writes nothing.
    const int updates = updateCount();
    m_win->setReportAllReaded();
    QCOMPARE(updateCount(), updates);
}

void TestReportListActions::allReadOnlyThisPage()
{
    setPageSize(2);
    showNewest();
    m_win->setReportAllReaded();
    QCOMPARE(readFlag("201"), 1);
    QCOMPARE(readFlag("202"), 1);
    QCOMPARE(readFlag("204"), 0);
}

void TestReportListActions::viewOpensLocalPath()
{
    showNewest();
    QSignalSpy open(m_win.get(), &QWinReportList::openFile);
    const int row = rowOf(m_table, "202");
    const QRect rect = m_table->visualItemRect(m_table->item(row, 6));
    QTest::mouseClick(m_table->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(m_table->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("202"));
    QCOMPARE(open.at(0).at(1).toString(), getLocalFilePath(makeReportFileName("国泰君安", "宏观周报", "20170105", "PDF")));

    // No current row: nothing.
    m_table->setCurrentCell(-1, -1);
    m_win->viewReport();
    QCOMPARE(open.count(), 1);
}

void TestReportListActions::contextMenuEntries()
{
    addToConcernedInstList(QStringLiteral("国泰君安"));
    showNewest();
    withContextMenu(*m_win, rowOf(m_table, "201"), [](QMenu *menu) {
        QCOMPARE(visibleTexts(menu),
                 (QStringList{"设置全部已读(&A)", "阅读所选报告(&V)", "-", "保存所选报告(&S)", "收藏所选报告", "-",
                              "查看机构报告 - 中信证券", "添加关注机构 - 中信证券", "-", "复制报告列表(&C)"}));
    });
    withContextMenu(*m_win, rowOf(m_table, "202"), [](QMenu *menu) {
        QVERIFY(visibleTexts(menu).contains(QStringLiteral("取消关注机构 - 国泰君安")));
        QVERIFY(!visibleTexts(menu).contains(QStringLiteral("添加关注机构 - 国泰君安")));
    });

    // No current row: no menu.
    m_table->setCurrentCell(-1, -1);
    m_win->popMenuOfReportList(QPoint(1, 1));
    QVERIFY(!QApplication::activePopupWidget());
}

void TestReportListActions::favoriteEntries()
{
    addFavoriteReport(QStringLiteral("甲"), QStringLiteral("201"), false);
    addFavoriteReport(QStringLiteral("乙&丙"), QStringLiteral("201,202"), false);
    showNewest();
    QSignalSpy sidebar(m_win.get(), &QWinReportList::loadFavoriteListOfSidebar);
    const int row = rowOf(m_table, "201");
    QVERIFY(!m_table->item(row, 1)->icon().isNull());

    // Unchecking one folder keeps the report in the other, and its mark.
    withContextMenu(*m_win, row, [](QMenu *menu) {
        QMenu *fav = favoriteMenu(menu);
        QVERIFY(fav);
        QCOMPARE(visibleTexts(fav), (QStringList{"新建收藏夹(&N)...", "-", "甲 [x]", "乙&&丙 [x]"}));
        fav->actions().at(3)->trigger();
    });
    QVERIFY(isFavoriteReport(QStringLiteral("甲"), QStringLiteral("201")));
    QVERIFY(!isFavoriteReport(QStringLiteral("乙&丙"), QStringLiteral("201")));
    QVERIFY(isFavoriteReport(QStringLiteral("乙&丙"), QStringLiteral("202")));
    QVERIFY(!m_table->item(row, 1)->icon().isNull());
    QVERIFY(getReportFavoriteModified() > 0);

    withContextMenu(*m_win, row, [](QMenu *menu) { favoriteMenu(menu)->actions().at(2)->trigger(); });
    QVERIFY(!isFavoriteReport(QString(), QStringLiteral("201")));
    QVERIFY(m_table->item(row, 1)->icon().isNull());

    withContextMenu(*m_win, rowOf(m_table, "203"), [](QMenu *menu) {
        QCOMPARE(visibleTexts(favoriteMenu(menu)), (QStringList{"新建收藏夹(&N)...", "-", "甲", "乙&&丙"}));
        favoriteMenu(menu)->actions().at(2)->trigger();
    });
    QVERIFY(isFavoriteReport(QStringLiteral("甲"), QStringLiteral("203")));
    QVERIFY(!m_table->item(rowOf(m_table, "203"), 1)->icon().isNull());
    QCOMPARE(sidebar.count(), 0);
}

void TestReportListActions::newFavorite_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("folder");
    QTest::newRow("new folder, trimmed") << "  新夹 " << "" << "新夹";
    QTest::newRow("existing folder") << "甲" << "" << "甲";
    QTest::newRow("blanks") << "   " << "请填写收藏夹名称!" << "";
    QTest::newRow("comma") << "a,b" << "收藏夹名称含有不恰当字符!" << "";
    QTest::newRow("full stop") << "a.b" << "收藏夹名称含有不恰当字符!" << "";
    QTest::newRow("cancelled") << QString() << "" << "";
}

void TestReportListActions::newFavorite()
{
    QFETCH(QString, input);
    QFETCH(QString, box);
    QFETCH(QString, folder);
    addFavoriteReport(QStringLiteral("甲"), QStringLiteral("203"), false);
    const QStringList before = getFavoriteNameList();
    showNewest();
    m_table->setCurrentCell(rowOf(m_table, "202"), 0);
    QSignalSpy sidebar(m_win.get(), &QWinReportList::loadFavoriteListOfSidebar);
    ModalAnswer answer;
    answer.setInput(input);
    m_win->newFav();
    QCOMPARE(answer.inputTitle, QStringLiteral("新建收藏夹"));
    QCOMPARE(answer.inputLabel, QStringLiteral("请输入收藏夹名称"));
    if (box.isEmpty()) {
        QVERIFY(answer.boxes.isEmpty());
    } else {
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.at(0).title, QStringLiteral("错误"));
        QCOMPARE(answer.boxes.at(0).text, box);
        QCOMPARE(answer.boxes.at(0).icon, QMessageBox::Critical);
    }
    if (folder.isEmpty()) {
        QCOMPARE(getFavoriteNameList(), before);
        QCOMPARE(sidebar.count(), 0);
        return;
    }
    QVERIFY(isFavoriteReport(folder, QStringLiteral("202")));
    QVERIFY(!m_table->item(rowOf(m_table, "202"), 1)->icon().isNull());
    QCOMPARE(sidebar.count(), 1);
}

void TestReportListActions::concernedInstitutions()
{
    showNewest();
    QSignalSpy sidebar(m_win.get(), &QWinReportList::loadConcernedInstListOfSidebar);
    m_table->setCurrentCell(rowOf(m_table, "203"), 0);
    m_win->addConcernedInst();
    QVERIFY(isConcernedInst(QStringLiteral("海通证券")));
    QVERIFY(getConcernedInstModified() > 0);
    QCOMPARE(sidebar.count(), 1);
    for (const char *id : {"203", "204"})
        QCOMPARE(m_table->cellWidget(rowOf(m_table, id), 2)->styleSheet(), QStringLiteral("color:blue;"));

    m_win->addConcernedInst();
    QCOMPARE(sidebar.count(), 1);

    m_win->removeConcernedInst();
    QVERIFY(!isConcernedInst(QStringLiteral("海通证券")));
    QCOMPARE(sidebar.count(), 2);
    QCOMPARE(m_table->cellWidget(rowOf(m_table, "204"), 2)->styleSheet(), QStringLiteral("color:gray;"));
    m_win->removeConcernedInst();
    QCOMPARE(sidebar.count(), 2);
}

void TestReportListActions::copyList()
{
    showNewest();
    ModalAnswer answer;
    m_win->copyReportList();
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard),
             QStringLiteral("2017/01/06\t中信证券\t平安银行点评\t张三,李四\t20\n"
                            "2017/01/05\t国泰君安\t宏观周报\t王五\t8\n"
                            "2017/01/06\t海通证券\t行业点评\t\t-\n"
                            "2017/01/06\t海通证券\t第二页\t\t3\n"));
    QCOMPARE(answer.boxes.size(), 1);
    QCOMPARE(answer.boxes.at(0).title, QStringLiteral("注意"));
    QCOMPARE(answer.boxes.at(0).text, QStringLiteral("报告列表已复制到剪贴板"));
}

void TestReportListActions::copyEmptyList()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    m_win->showReportList(filledRequest("RPT_INS", {{"inst", "无此机构"}}), 0);
    ModalAnswer answer;
    m_win->copyReportList();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(answer.boxes.size(), 1);
}

void TestReportListActions::saveCopiesLocalCopyOverExistingFile()
{
    showNewest();
    const int row = rowOf(m_table, "201");
    const QString local = getLocalFilePath(m_table->item(row, 0)->data(Qt::UserRole + 2).toString());
    QVERIFY(writeFile(local, "%PDF new report"));
    const QString target = m_dir->filePath("saved/old.pdf");
    QVERIFY(writeFile(target, "an older file"));

    QSignalSpy open(m_win.get(), &QWinReportList::openFile);
    QVERIFY(m_win->saveReportTo(row, target));
    QCOMPARE(readAll(target), QByteArray("%PDF new report"));
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("201"));
    QCOMPARE(open.at(0).at(1).toString(), target);
    QFile::remove(local);
}

void TestReportListActions::saveDownloadsIntoChosenPath()
{
    showNewest();
    const QString target = m_dir->filePath("saved/old.pdf");
    QVERIFY(writeFile(target, "an older file"));
    QSignalSpy open(m_win.get(), &QWinReportList::openFile);
    // No local copy: the old file goes, so that the main window downloads into the path.
    QVERIFY(m_win->saveReportTo(rowOf(m_table, "202"), target));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toString(), QStringLiteral("202"));
    QCOMPARE(open.at(0).at(1).toString(), target);
}

void TestReportListActions::saveRefusedWhileDownloading()
{
    showNewest();
    const QString target = m_dir->filePath("saved/old.pdf");
    QVERIFY(writeFile(target, "an older file"));
    QDlgDownloadFile download;
    download.show();
    QSignalSpy open(m_win.get(), &QWinReportList::openFile);
    ModalAnswer answer;
    QVERIFY(!m_win->saveReportTo(rowOf(m_table, "202"), target));
    QCOMPARE(answer.boxes.size(), 1);
    QCOMPARE(answer.boxes.at(0).title, QStringLiteral("注意"));
    QCOMPARE(readAll(target), QByteArray("an older file"));
    QCOMPARE(open.count(), 0);
}

void TestReportListActions::saveDialog()
{
    showNewest();
    const int row = rowOf(m_table, "202");
    m_table->setCurrentCell(row, 0);
    const QString fileName = m_table->item(row, 0)->data(Qt::UserRole + 2).toString();
    QSignalSpy open(m_win.get(), &QWinReportList::openFile);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QVERIFY(QDir().mkpath(desktop));
    {
        // Cancelled: the desktop was proposed, nothing changes.
        ModalAnswer answer;
        m_win->saveReport();
        QCOMPARE(answer.fileCaption, QStringLiteral("保存报告"));
        QCOMPARE(answer.fileProposed, desktop + QLatin1Char('/') + fileName);
        QCOMPARE(getSaveDir(), QString());
        QCOMPARE(open.count(), 0);
    }
    const QString folder = m_dir->filePath("chosen");
    QVERIFY(QDir().mkpath(folder));
    {
        ModalAnswer answer;
        answer.setInput(folder + QStringLiteral("/report.pdf"));
        m_win->saveReport();
    }
    QCOMPARE(getSaveDir(), folder);
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(1).toString(), folder + QStringLiteral("/report.pdf"));
}

void TestReportListActions::search_data()
{
    const int thisYear = QDate::currentDate().year();
    auto startIndex = [thisYear](int year) { return thisYear - 1 - year; };
    auto endIndex = [thisYear](int year) { return thisYear - year; };

    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("inst");
    QTest::addColumn<QString>("anls");
    QTest::addColumn<int>("codeIndex");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("field"); // 0 title, 1 institution, 2 analyst, 3 end year
    QTest::addColumn<QStringList>("emitted");

    QTest::newRow("hidden bar ignores its fields")
        << false << "  铅 -铅笔 " << "中信" << "张三" << 1 << 0 << 0 << "" << 0
        << QStringList{"铅 -铅笔", "", "", "", "", ""};
    QTest::newRow("empty keyword") << false << "" << "" << "" << 0 << 0 << 0 << "" << 0
                                   << QStringList{"", "", "", "", "", ""};
    QTest::newRow("full-width comma passes") << false << "银行，保险" << "" << "" << 0 << 0 << 0 << "" << 0
                                             << QStringList{"银行，保险", "", "", "", "", ""};
    QTest::newRow("plus refused") << false << "铅 +铅笔" << "" << "" << 0 << 0 << 0 << "关键词包含不恰当的字符！" << 0
                                  << QStringList();
    QTest::newRow("apostrophe refused") << false << "O'Neil" << "" << "" << 0 << 0 << 0
                                        << "关键词包含不恰当的字符！" << 0 << QStringList();
    QTest::newRow("advanced, equal years")
        << true << "银行" << " 中信 " << "张三 李四" << 2 << startIndex(2015) << endIndex(2015) << "" << 0
        << QStringList{"银行", "中信", "张三 李四", "MCR@CN", "2015", "2015"};
    QTest::newRow("advanced, no category")
        << true << "" << "" << "" << 0 << startIndex(2013) << endIndex(2016) << "" << 0
        << QStringList{"", "", "", "", "2013", "2016"};
    QTest::newRow("end year before start year")
        << true << "" << "" << "" << 0 << startIndex(2015) << endIndex(2014) << "终止年份不能早于起始年份！" << 3
        << QStringList();
    QTest::newRow("institution refused") << true << "" << "中信%" << "" << 0 << 0 << 0 << "研究机构包含不恰当的字符！"
                                         << 1 << QStringList();
    QTest::newRow("analyst refused") << true << "" << "" << "张三;" << 0 << 0 << 0 << "分析师含不恰当的字符！" << 2
                                     << QStringList();
}

void TestReportListActions::search()
{
    QFETCH(bool, advanced);
    QFETCH(QString, keyword);
    QFETCH(QString, inst);
    QFETCH(QString, anls);
    QFETCH(int, codeIndex);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, refusal);
    QFETCH(int, field);
    QFETCH(QStringList, emitted);

    QList<QLineEdit *> edits = m_win->findChildren<QLineEdit *>();
    QLineEdit *title = nullptr;
    for (QLineEdit *e : edits) {
        if (!e->toolTip().isEmpty())
            title = e;
    }
    QVERIFY(title);
    QWidget *bar = nullptr;
    for (QLineEdit *e : edits) {
        if (e != title && !qobject_cast<QComboBox *>(e->parentWidget()))
            bar = e->parentWidget();
    }
    QVERIFY(bar);
    const QList<QLineEdit *> barEdits = bar->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    const QList<QComboBox *> boxes = bar->findChildren<QComboBox *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(barEdits.size(), 2);
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes.at(0)->itemText(0), QStringLiteral("<不限>"));
    QCOMPARE(boxes.at(0)->itemData(2).toString(), QStringLiteral("MCR@CN"));

    m_win->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
    if (advanced)
        m_win->showAdvanceSearchBar();
    QCOMPARE(bar->isHidden(), !advanced);
    title->setText(keyword);
    barEdits.at(0)->setText(inst);
    barEdits.at(1)->setText(anls);
    boxes.at(0)->setCurrentIndex(codeIndex);
    boxes.at(1)->setCurrentIndex(start);
    boxes.at(2)->setCurrentIndex(end);

    QSignalSpy spy(m_win.get(), &QWinReportList::showReportListOfSearch);
    ModalAnswer answer;
    QTest::keyClick(title, Qt::Key_Return);
    if (refusal.isEmpty()) {
        QVERIFY(answer.boxes.isEmpty());
        QCOMPARE(spy.count(), 1);
        QStringList args;
        for (const QVariant &v : spy.at(0))
            args << v.toString();
        QCOMPARE(args, emitted);
        return;
    }
    QCOMPARE(spy.count(), 0);
    QCOMPARE(answer.boxes.size(), 1);
    QCOMPARE(answer.boxes.at(0).title, QStringLiteral("注意"));
    QCOMPARE(answer.boxes.at(0).text, refusal);
    QCOMPARE(answer.boxes.at(0).icon, QMessageBox::Information);
    QWidget *expected = field == 0 ? static_cast<QWidget *>(title)
                        : field == 1 ? static_cast<QWidget *>(barEdits.at(0))
                        : field == 2 ? static_cast<QWidget *>(barEdits.at(1))
                                     : static_cast<QWidget *>(boxes.at(2));
    QCOMPARE(m_win->focusWidget(), expected);
    QCOMPARE(title->text(), keyword);
}

void TestReportListActions::searchYearsWhenDataYearIsThisYear()
{
    setDataYear(QDate::currentDate().year());
    QWinReportList win;
    const QList<QComboBox *> boxes = win.findChildren<QComboBox *>();
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes.at(1)->count(), 0);
    QCOMPARE(boxes.at(2)->count(), 1);
    win.showAdvanceSearchBar();
    QSignalSpy spy(&win, &QWinReportList::showReportListOfSearch);
    win.searchReport();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(4).toString(), QString());
    QCOMPARE(spy.at(0).at(5).toString(), QString::number(QDate::currentDate().year()));
}

void TestReportListActions::showLastList()
{
    QSignalSpy list(m_win.get(), &QWinReportList::showList);
    m_win->showLastList();
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).at(0).toString(), getOrderJson("RPT_NEW"));
    QCOMPARE(list.at(0).at(1).toInt(), 0);

    const QString request = filledRequest("RPT_INS", {{"inst", "海通证券"}});
    m_win->showReportList(request, 3);
    m_win->showLastList();
    QCOMPARE(list.at(1).at(0).toString(), request);
    QCOMPARE(list.at(1).at(1).toInt(), 3);
}

void TestReportListActions::closeKeepsWindow()
{
    QMdiArea area;
    QPointer<QWinReportList> win = new QWinReportList;
    area.addSubWindow(win);
    area.show();
    win->showReportList(filledRequest("RPT_NEW"), 0);
    win->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(win);
    QVERIFY(!win->testAttribute(Qt::WA_DeleteOnClose));
}

QTEST_MAIN(TestReportListActions)
#include "tst_reportlistactions.moc"
