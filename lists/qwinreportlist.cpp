#include "qwinreportlist.h"
#include "reportlistcolumns.h"

#include "analystlistfunction.h"
#include "celllabeldelegate.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "listslog.h"
#include "qlinklabel.h"
#include "listreadmarks.h"
#include "liststyle.h"
#include "reportlistquery.h"
#include "reportlistrequest.h"
#include "reportlistrow.h"
#include "reportpagestarts.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"
#include "usersettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using namespace reportlist;

// The colours of the cell labels, as CSS names them.
const QColor kConcerned(QStringLiteral("blue"));
const QColor kPlainInst(QStringLiteral("gray"));
const QColor kBlocked(QStringLiteral("red"));
const QColor kPlainTitle(QStringLiteral("black"));
const QString kLockHtml = QStringLiteral("<img src=':/images/lock.png'>");

} // namespace

QWinReportList::QWinReportList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    // Kept by the main window for the whole run: no delete-on-close.
    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSearchBar());
    layout->addSpacing(4);

    auto *tableBox = new QWidget(content);
    auto *tableLayout = new QHBoxLayout(tableBox);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(0);
    tblReportList = new QTableWidget(tableBox);
    tableLayout->addWidget(tblReportList);
    layout->addWidget(tableBox);
    setWidget(content);

    buildTable();
    buildMenu();
    makeFirstPageLabels();
    m_pageStarts = std::make_unique<ReportPageStarts>();
    m_readMarks = std::make_unique<ListReadMarks>(
        tblReportList, QStringLiteral("update T_Report set Rpt_Readed=1 where Rpt_ID=?"), QList<int>{ColInst, ColTitle});
}

QWinReportList::~QWinReportList() = default;

void QWinReportList::buildTable()
{
    QTableWidget *t = tblReportList;
    t->setColumnCount(ColumnCount);
    t->setItemDelegate(new CellLabelDelegate(t));
    const QStringList headers{QStringLiteral("日期"), QString(),           QStringLiteral("机构"),
                              QStringLiteral("标题"), QStringLiteral("分析师"), QStringLiteral("类型"),
                              QStringLiteral("页数")};
    const int widths[ColumnCount] = {105, 25, 80, 650, 190, 45, 40};
    // The header's own minimum (from its font) would widen the narrow mark column.
    t->horizontalHeader()->setMinimumSectionSize(*std::min_element(widths, widths + ColumnCount));
    for (int c = 0; c < ColumnCount; ++c) {
        t->setHorizontalHeaderItem(c, new QTableWidgetItem(headers.at(c)));
        t->setColumnWidth(c, widths[c]);
    }
    t->horizontalHeader()->setSortIndicator(ColDate, Qt::DescendingOrder);
    t->horizontalHeader()->setSortIndicatorShown(true);
    t->horizontalHeader()->setSectionsClickable(false);
    t->verticalHeader()->setVisible(true);
    t->verticalHeader()->setDefaultSectionSize(32);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setWordWrap(true);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setContextMenuPolicy(Qt::CustomContextMenu);
    t->setFocusPolicy(Qt::NoFocus);
    t->setAutoScroll(false);
    t->setAlternatingRowColors(true);
    QPalette palette = t->palette();
    palette.setColor(QPalette::All, QPalette::Base, getBaseColor());
    palette.setColor(QPalette::All, QPalette::AlternateBase, getAlternateBaseColor());
    t->setPalette(palette);

    connect(t, &QTableWidget::clicked, this, &QWinReportList::onReportListClicked);
    connect(t, &QTableWidget::doubleClicked, this, &QWinReportList::viewReport);
    connect(t, &QTableWidget::customContextMenuRequested, this, &QWinReportList::popMenuOfReportList);
}

void QWinReportList::buildMenu()
{
    auto action = [this](QObject *owner, const QString &text, void (QWinReportList::*slot)()) {
        auto *a = new QAction(text, owner);
        a->setFont(getAppFont());
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnuReportList = new QMenu(tblReportList);
    mnuReportList->setFont(getAppFont());
    mnuReportList->addAction(action(mnuReportList, QStringLiteral("设置全部已读(&A)"), &QWinReportList::setReportAllReaded));
    mnuReportList->addAction(action(mnuReportList, QStringLiteral("阅读所选报告(&V)"), &QWinReportList::viewReport));
    mnuReportList->addSeparator();
    mnuReportList->addAction(action(mnuReportList, QStringLiteral("保存所选报告(&S)"), &QWinReportList::saveReport));
    mnuFavorite = new QMenu(QStringLiteral("收藏所选报告"), mnuReportList);
    mnuFavorite->setFont(getAppFont());
    mnuFavorite->menuAction()->setFont(getAppFont());
    mnuReportList->addMenu(mnuFavorite);
    mnuReportList->addSeparator();
    actShowReportOfInst = action(mnuReportList, QStringLiteral("查看机构报告"), &QWinReportList::showReportOfInst);
    actAddConcernedInst = action(mnuReportList, QStringLiteral("添加关注机构"), &QWinReportList::addConcernedInst);
    actRemoveConcernedInst =
        action(mnuReportList, QStringLiteral("取消关注机构"), &QWinReportList::removeConcernedInst);
    mnuReportList->addAction(actShowReportOfInst);
    mnuReportList->addAction(actAddConcernedInst);
    mnuReportList->addAction(actRemoveConcernedInst);
    mnuReportList->addSeparator();
    actCopyReportList = action(mnuReportList, QStringLiteral("复制报告列表(&C)"), &QWinReportList::copyReportList);
    mnuReportList->addAction(actCopyReportList);

    // Owned by the table, so emptying the favourite submenu keeps it.
    actNewFav = action(tblReportList, QStringLiteral("新建收藏夹(&N)..."), &QWinReportList::newFav);
}

void QWinReportList::showReportList(const QString &request, int page)
{
    const ReportListRequest parsed = ReportListRequest::parse(request, m_json);
    const int size = ReportListQuery::pageSize();

    // The same page of the same list again (as from showLastList) keeps its rows; the
    // newest reports are always read anew.
    if (request == lastRequest && page == lastPage && parsed.id != QLatin1String("RPT_NEW")) {
        showMaximized();
        emit showTitle(parsed.name);
        if (tblReportList->rowCount() < size)
            emit disablePageNext();
        return;
    }

    repaintWithLabels(tblReportList);
    // A new page or list opens at its first row; the newest reports read anew keep the place.
    if (request != lastRequest || page != lastPage)
        tblReportList->scrollToTop();
    lastRequest = request;
    lastPage = page;
    showMaximized();
    emit showTitle(parsed.name);

    QSqlDatabase db = mainDatabase();
    ReportListQuery statement(parsed, page, m_json, installAnalystListFunction(db));
    m_pageStarts->apply(statement, db);
    if (!parsed.valid)
        qCWarning(lcLists) << "Report list request does not parse; showing no report";
    QVector<ReportListRow> rows;
    if (!statement.selectsNothing()) {
        QSqlQuery query(db);
        if (statement.exec(query)) {
            rows.reserve(size);
            while (query.next()) {
                rows.append(ReportListRow::fromQuery(query));
                if (rows.size() == size)
                    m_pageStarts->remember(statement, ReportListKey::of(query));
            }
        } else {
            qCWarning(lcLists) << "Report list query failed:" << query.lastError().text();
        }
    }
    keepRows(tblReportList, rows.size());
    for (int r = 0; r < rows.size(); ++r)
        fillRow(rows.at(r), r, page);
    layOutPage(tblReportList);

    // The rows were built with their institution and block marks (markConcernedInst and
    // markBlockedStock would find nothing to change); the favourite marks go on now.
    markFavoriteReport();
    if (tblReportList->rowCount() < size)
        emit disablePageNext();
    emit disablePageLast();
}

void QWinReportList::fillRow(const ReportListRow &row, int r, int page)
{
    QTableWidget *t = tblReportList;
    QFont rowFont = getAppFont();
    rowFont.setWeight(row.isUnread() ? QFont::Bold : QFont::Normal);
    t->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(r + 1 + qint64(page) * ReportListQuery::pageSize())));
    // An unread row's items are bold before they go in: each change of an item in the table
    // goes to the view.
    const auto place = [&](int column, QTableWidgetItem *item) {
        if (row.isUnread()) {
            QFont f = item->font();
            f.setWeight(QFont::Bold);
            item->setFont(f);
        }
        t->setItem(r, column, item);
    };

    auto *date = new QTableWidgetItem(row.dateText());
    date->setData(RoleId, row.id);
    date->setData(RolePublish, row.publishText());
    date->setData(RoleFileName, row.fileName());
    date->setData(RoleTitle, row.title);
    date->setData(RoleAnalysts, row.analystNames().join(QLatin1Char(',')));
    date->setData(RoleStockCode, row.stockCode);
    place(ColDate, date);

    // The labels are kept from the page before: each gets all that differs from row to row.
    // Font and colour go before the text: each change after it lays the text out again.
    place(ColMark, new QTableWidgetItem);
    auto *lock = keptLabel<QCellLabel>(t, r, ColMark, labelSetUp(ColMark));
    lock->setText(row.exclusive > 0 ? kLockHtml : QString());

    place(ColInst, new QTableWidgetItem);
    auto *inst = keptLabel<QLinkLabel>(t, r, ColInst, labelSetUp(ColInst));
    setTextColor(inst, isConcernedInst(row.inst) ? kConcerned : kPlainInst);
    inst->setCell(row.inst, rowFont, true);

    place(ColTitle, new QTableWidgetItem);
    const QString titleHtml = row.titleHtml();
    auto *title = keptLabel<QLinkLabel>(t, r, ColTitle, labelSetUp(ColTitle));
    setTextColor(title, containsBlockedStock(titleHtml) ? kBlocked : kPlainTitle);
    title->setCell(titleHtml, rowFont, true);

    place(ColAnalysts, new QTableWidgetItem);
    auto *analysts = keptLabel<QCellLabel>(t, r, ColAnalysts, labelSetUp(ColAnalysts));
    analysts->setText(row.analystHtml());

    place(ColType, new QTableWidgetItem);
    auto *type = keptLabel<QCellLabel>(t, r, ColType, labelSetUp(ColType));
    type->setPicture(row.typeIcon());

    auto *pages = new QTableWidgetItem(row.pageText());
    pages->setForeground(QBrush(Qt::gray, Qt::SolidPattern));
    pages->setTextAlignment(Qt::AlignCenter);
    place(ColPages, pages);
}

std::function<void(QCellLabel *)> QWinReportList::labelSetUp(int column)
{
    return [this, column](QCellLabel *label) {
        switch (column) {
        case ColMark:
            label->setFont(getAppFont());
            label->setAlignment(Qt::AlignCenter);
            label->setToolTip(QStringLiteral("独家报告"));
            break;
        case ColInst:
            label->setAlignment(Qt::AlignCenter);
            // Plain text: the name shows as stored and reads back unchanged.
            label->setTextFormat(Qt::PlainText);
            connect(static_cast<QLinkLabel *>(label), &QLinkLabel::clicked, this, &QWinReportList::showReportOfInst);
            break;
        case ColTitle:
            connect(static_cast<QLinkLabel *>(label), &QLinkLabel::clicked, this, &QWinReportList::viewReport);
            break;
        case ColAnalysts:
            label->setFont(getAppFont());
            label->setContextMenuPolicy(Qt::NoContextMenu);
            connect(label, &QLabel::linkActivated, this, &QWinReportList::showReportOfAnls);
            break;
        default: // the type's picture
            label->setAlignment(Qt::AlignCenter);
        }
    };
}

void QWinReportList::makeFirstPageLabels()
{
    // In the look of the newest reports as a sync brings them (unread, not exclusive, of no
    // followed institution or blocked stock, a PDF): text documents made, fonts and colours set,
    // pictures loaded, so that the first page of rows only changes what differs.
    QTableWidget *t = tblReportList;
    const int rows = ReportListQuery::pageSize();
    QFont unread = getAppFont();
    unread.setWeight(QFont::Bold);
    makeSpareLabels<QCellLabel>(t, ColMark, rows, labelSetUp(ColMark));
    makeSpareLabels<QLinkLabel>(t, ColInst, rows, [&](QLinkLabel *l) {
        labelSetUp(ColInst)(l);
        setTextColor(l, kPlainInst);
        l->setCell(QStringLiteral("-"), unread, true);
    });
    makeSpareLabels<QLinkLabel>(t, ColTitle, rows, [&](QLinkLabel *l) {
        labelSetUp(ColTitle)(l);
        setTextColor(l, kPlainTitle);
        l->setCell(QStringLiteral("-<font color='gray'> - </font>"), unread, true);
    });
    makeSpareLabels<QCellLabel>(t, ColAnalysts, rows, [this](QCellLabel *l) {
        labelSetUp(ColAnalysts)(l);
        l->setText(analystLinksHtml(QStringLiteral("-[0]")));
    });
    makeSpareLabels<QCellLabel>(t, ColType, rows, [this](QCellLabel *l) {
        labelSetUp(ColType)(l);
        l->setPicture(QStringLiteral(":/images/pdf.png"));
    });
}

void QWinReportList::showLastList()
{
    if (!lastRequest.isEmpty())
        emit showList(lastRequest, lastPage);
    else
        emit showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
}

void QWinReportList::markConcernedInst()
{
    for (int r = 0; r < tblReportList->rowCount(); ++r) {
        if (auto *label = qobject_cast<QLinkLabel *>(tblReportList->cellWidget(r, ColInst)))
            setTextColor(label, isConcernedInst(label->text()) ? kConcerned : kPlainInst);
    }
}

void QWinReportList::markFavoriteReport()
{
    const QIcon fav(QStringLiteral(":/images/fav.png"));
    for (int r = 0; r < tblReportList->rowCount(); ++r) {
        QTableWidgetItem *mark = tblReportList->item(r, ColMark);
        if (mark)
            mark->setIcon(isFavoriteReport(QString(), rowReportId(r)) ? fav : QIcon());
    }
}

void QWinReportList::markBlockedStock()
{
    for (int r = 0; r < tblReportList->rowCount(); ++r) {
        if (auto *label = qobject_cast<QLinkLabel *>(tblReportList->cellWidget(r, ColTitle)))
            setTextColor(label, containsBlockedStock(label->text()) ? kBlocked : kPlainTitle);
    }
}

int QWinReportList::currentRow() const
{
    return tblReportList->currentRow();
}

QString QWinReportList::rowReportId(int row) const
{
    const QTableWidgetItem *item = tblReportList->item(row, ColDate);
    return item ? item->data(RoleId).toString() : QString();
}

QString QWinReportList::rowInst(int row) const
{
    const auto *label = qobject_cast<QLabel *>(tblReportList->cellWidget(row, ColInst));
    return label ? label->text() : QString();
}

void QWinReportList::onReportListClicked()
{
    const int row = currentRow();
    if (row >= 0)
        m_readMarks->markRow(row);
}

void QWinReportList::setReportAllReaded()
{
    m_readMarks->markPage(this);
}
