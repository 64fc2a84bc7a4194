#include "qwinratinglist.h"

#include "analystlistfunction.h"
#include "columnfit.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "listslog.h"
#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"
#include "qlinklabel.h"
#include "ratinglistcolumns.h"
#include "ratinglistquery.h"
#include "ratinglistrequest.h"
#include "ratinglistrow.h"
#include "listreadmarks.h"
#include "liststyle.h"
#include "sqlclause.h"
#include "stockcache.h"
#include "userlists.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItem>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace RatingTable;

namespace {

// The colours of the cell labels, as CSS names them.
const QColor kGray(QStringLiteral("gray"));
const QColor kBlack(QStringLiteral("black"));
const QColor kConcerned(QStringLiteral("blue"));
const QColor kBlocked(QStringLiteral("red"));

QStandardItem *headerGroup(const QString &caption, const QStringList &children)
{
    auto *item = new QStandardItem(caption);
    for (const QString &child : children)
        item->insertColumn(item->columnCount(), {new QStandardItem(child)});
    return item;
}

QTableWidgetItem *textItem(const QString &text, Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(int(alignment));
    return item;
}

const Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

} // namespace

QWinRatingList::QWinRatingList(QWidget *parent)
    : QMdiSubWindow(parent)
{
    // Kept by the main window for the whole run: no delete-on-close.
    auto *content = new QWidget(this);
    auto *layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tblRatingList = new QTableWidget(content);
    layout->addWidget(tblRatingList);
    setWidget(content);

    buildTable();
    buildMenu();
    m_readMarks = std::make_unique<ListReadMarks>(
        tblRatingList, QStringLiteral("update T_Rating set Rat_Readed=1 where Rpt_ID=?"),
        QList<int>{ColInst, ColStock, ColIndustry, ColRating, ColTarget, ColEps1, ColEps2, ColEps3});
}

QWinRatingList::~QWinRatingList() = default;

void QWinRatingList::buildTable()
{
    QTableWidget *t = tblRatingList;
    t->setColumnCount(ColumnCount);

    // Owned by the window: the header view only borrows it.
    headerModel = new QComplexHeaderModel(this);
    headerModel->setColumnCount(t->columnCount());
    const int year = getListYear();
    const QStringList captions{QStringLiteral("评级日期"), QString(),           QStringLiteral("机构"),
                               QStringLiteral("分析师"),   QStringLiteral("股票名称"), QStringLiteral("行业"),
                               QStringLiteral("评级"),     QStringLiteral("页数"),   QStringLiteral("起评价"),
                               QStringLiteral("目标价"),   QStringLiteral("最新价"), QStringLiteral("±%")};
    int top = 0;
    for (const QString &caption : captions)
        headerModel->setItem(top++, new QStandardItem(caption));
    headerModel->setItem(top++, headerGroup(QStringLiteral("每股收益(EPS)"),
                                            {QString::number(year), QStringLiteral("%1E").arg(year + 1),
                                             QStringLiteral("%1E").arg(year + 2), QStringLiteral("%1E").arg(year + 3)}));
    for (const char *caption : {"复合\n增长率", "市盈率\nTTM", "PEG"})
        headerModel->setItem(top++, new QStandardItem(QString::fromUtf8(caption)));
    headerModel->setItem(top++, headerGroup(QStringLiteral("推荐测评"), {QStringLiteral("短线"), QStringLiteral("中线")}));

    auto *header = new QComplexHeaderView(Qt::Horizontal);
    header->setModel(headerModel);
    t->setHorizontalHeader(header);

    const int widths[ColumnCount] = {60, 25, 80, 90, 80, 70, 90, 40, 60, 110, 60,
                                     45, 52, 52, 52, 52, 55, 50, 45, 45, 45};
    // The header's own minimum (from its font) would widen the narrow mark column.
    header->setMinimumSectionSize(*std::min_element(widths, widths + ColumnCount));
    for (int c = 0; c < ColumnCount; ++c)
        t->setColumnWidth(c, widths[c]);
    // Widths that cut values users need at the program's font; unread rows are bold.
    widenColumnToFit(t, ColDate, WidestText::date, true);
    widenColumnToFit(t, ColIndustry, WidestText::industry, true);
    widenColumnToFit(t, ColPricePub, WidestText::adjustedPrice, true);
    widenColumnToFit(t, ColTarget, WidestText::adjustedTarget, true);
    widenColumnToFit(t, ColClose, WidestText::price, true);
    widenColumnToFit(t, ColChange, WidestText::change, true);
    widenColumnToFit(t, ColPeg, WidestText::peg, true);
    header->setSortIndicator(ColDate, Qt::DescendingOrder);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(false);

    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setContextMenuPolicy(Qt::CustomContextMenu);
    t->setFocusPolicy(Qt::NoFocus);
    t->verticalHeader()->setDefaultSectionSize(36);
    t->setAutoScroll(false);
    QPalette palette = t->palette();
    palette.setBrush(QPalette::All, QPalette::Base, QBrush(getBaseColor(), Qt::SolidPattern));
    palette.setBrush(QPalette::All, QPalette::AlternateBase, QBrush(getAlternateBaseColor(), Qt::SolidPattern));
    t->setPalette(palette);
    t->setAlternatingRowColors(true);

    connect(t, &QTableWidget::clicked, this, &QWinRatingList::onRatingListClicked);
    connect(t, &QTableWidget::doubleClicked, this, &QWinRatingList::viewReport);
    connect(t, &QTableWidget::customContextMenuRequested, this, &QWinRatingList::popMenuOfRatingList);
}

void QWinRatingList::showRatingList(const QString &request, int page)
{
    const RatingListRequest parsed = RatingListRequest::parse(request, m_json);
    repaintWithLabels(tblRatingList);
    // A new page or list opens at its first row; the same page read again keeps the place.
    if (request != lastRequest || page != lastPage)
        tblRatingList->scrollToTop();
    lastRequest = request;
    lastPage = page;
    showMaximized();
    emit showTitle(parsed.name);

    QSqlDatabase db = mainDatabase();
    const RatingListQuery statement(parsed, page, installAnalystListFunction(db));
    QVector<RatingListRow> rows;
    if (!statement.selectsNothing()) {
        QSqlQuery query(db);
        if (statement.exec(query)) {
            while (query.next())
                rows.append(RatingListRow::fromQuery(query));
        } else {
            qCWarning(lcLists) << "Rating list query failed:" << query.lastError().text();
        }
    }
    keepRows(tblRatingList, rows.size());
    for (int r = 0; r < rows.size(); ++r)
        fillRow(rows.at(r), r, page);
    layOutPage(tblRatingList);

    markConcernedInst();
    markBlockedStock();
    clearCurrentStockList();
    if (tblRatingList->rowCount() < listPageSize())
        emit disablePageNext();
    emit disablePageLast();
}

void QWinRatingList::fillRow(const RatingListRow &row, int r, int page)
{
    QTableWidget *t = tblRatingList;
    const bool old = row.isOld(getRatingDays());
    const bool unread = row.isUnread();
    const QFont font = getAppFont();
    // Bold while unread, as QLinkLabel::setBold makes it, in one font change.
    QFont linkFont = font;
    linkFont.setWeight(unread ? QFont::Bold : QFont::Normal);
    t->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(r + 1 + qint64(page) * listPageSize())));

    // The labels are kept from the page before: each gets all that differs from row to row.
    // Rich text always: the texts are escaped, and a guess would show "&amp;" in plain ones.
    auto label = [&](int column, const QString &text, Qt::Alignment alignment) {
        t->setItem(r, column, new QTableWidgetItem);
        auto *l = keptLabel<QCellLabel>(t, r, column, [&](QCellLabel *made) {
            made->setFont(font);
            made->setTextFormat(Qt::RichText);
            made->setAlignment(alignment);
        });
        l->setText(text);
        return l;
    };
    // Font and colour go before the text: each change after it lays the text out again.
    auto link = [&](int column, const QString &text, const QColor &color, Qt::Alignment alignment,
                    Qt::TextFormat format, void (QWinRatingList::*slot)(), bool clickable = true,
                    const QString &toolTip = QString()) {
        t->setItem(r, column, new QTableWidgetItem);
        auto *l = keptLabel<QLinkLabel>(t, r, column, [&](QLinkLabel *made) {
            made->setTextFormat(format);
            made->setAlignment(alignment);
            if (slot)
                connect(made, &QLinkLabel::clicked, this, slot);
        });
        setTextColor(l, color);
        l->setCell(text, linkFont, clickable, toolTip);
    };
    const QColor ageColor = old ? kGray : kBlack;

    auto *date = textItem(row.dateText(), kCentre);
    date->setData(RoleId, row.id);
    date->setData(RoleFileName, row.fileName());
    date->setData(RoleAge, row.daysPassed);
    date->setData(RoleStockCode, row.stockCode);
    t->setItem(r, ColDate, date);

    label(ColStar, row.recommendId.isEmpty() ? QString() : QStringLiteral("<img src=':/images/star.png'>"), kCentre);

    // Plain text: the name shows as stored and the slots read it back unchanged.
    link(ColInst, row.inst, isConcernedInst(row.inst) ? kConcerned : ageColor, kCentre, Qt::PlainText,
         &QWinRatingList::showRatingOfInst);

    t->setItem(r, ColAnalysts, new QTableWidgetItem);
    auto *analysts = keptLabel<QCellLabel>(t, r, ColAnalysts, [&](QCellLabel *made) {
        made->setFont(font);
        made->setTextFormat(Qt::RichText);
        made->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        made->setContextMenuPolicy(Qt::NoContextMenu);
        connect(made, &QLabel::linkActivated, this, &QWinRatingList::showRatingOfAnls);
    });
    analysts->setText(row.analystHtml());

    link(ColStock, row.stockHtml(), isBlockedStock(row.stockCode) ? kBlocked : ageColor, kCentre, Qt::RichText,
         qOverload<>(&QWinRatingList::showChartOfStock));

    const QString industryText = row.industryText();
    link(ColIndustry, industryText, kGray, kCentre, Qt::PlainText, &QWinRatingList::showRatingOfInd,
         !industryText.isEmpty());

    link(ColRating, row.ratingHtml(), QColor(row.ratingColor(old)), kCentre, Qt::RichText,
         &QWinRatingList::viewReport);

    t->setItem(r, ColPages, textItem(row.pageText(), kCentre));
    t->setItem(r, ColPricePub, textItem(row.pricePubText(), kRight));

    link(ColTarget, row.targetHtml(), old ? kGray : QColor(), kCentre, Qt::RichText, nullptr, false,
         row.targetToolTip());

    t->setItem(r, ColClose, textItem(row.closeText(), kRight));
    QTableWidgetItem *change = textItem(row.changeText(), kRight);
    if (row.change > 0)
        change->setForeground(Qt::red);
    else if (row.change < 0)
        change->setForeground(Qt::darkGreen);
    t->setItem(r, ColChange, change);
    t->setItem(r, ColEpsLast, textItem(row.epsLastText(), kRight));

    for (int n = 1; n <= 3; ++n) {
        link(ColEps1 + n - 1, row.epsHtml(n), old ? kGray : QColor(), kRight, Qt::RichText, nullptr, false,
             row.epsToolTip(n));
    }

    t->setItem(r, ColCagr, textItem(row.cagrText(), kRight));
    t->setItem(r, ColPeTtm, textItem(row.peTtmText(), kRight));
    t->setItem(r, ColPeg, textItem(row.pegText(), kRight));

    QLabel *shortTerm = label(ColPerformShort, RatingListRow::performImage(row.performShort, getPerformShort()), kCentre);
    shortTerm->setToolTip(RatingListRow::performText(row.performShort));
    QLabel *middleTerm =
        label(ColPerformMiddle, RatingListRow::performImage(row.performMiddle, getPerformMiddle()), kCentre);
    middleTerm->setToolTip(RatingListRow::performText(row.performMiddle));

    for (int c = 0; c < ColumnCount; ++c) {
        QTableWidgetItem *item = t->item(r, c);
        if (unread) {
            QFont bold = t->font();
            bold.setWeight(QFont::Bold);
            item->setFont(bold);
        }
        if (old)
            item->setForeground(QBrush(Qt::gray, Qt::SolidPattern));
    }
}

void QWinRatingList::showLastList()
{
    if (!lastRequest.isEmpty())
        emit showList(lastRequest, lastPage);
    else
        emit showList(getOrderJson(QStringLiteral("RAT_NEW")), 0);
}

void QWinRatingList::markConcernedInst()
{
    const int ratingDays = getRatingDays();
    for (int r = 0; r < tblRatingList->rowCount(); ++r) {
        auto *label = qobject_cast<QLinkLabel *>(tblRatingList->cellWidget(r, ColInst));
        if (!label)
            continue;
        if (isConcernedInst(label->text()))
            setTextColor(label, kConcerned);
        else
            setTextColor(label, rowAge(r) > ratingDays ? kGray : kBlack);
    }
}

void QWinRatingList::markBlockedStock()
{
    const int ratingDays = getRatingDays();
    for (int r = 0; r < tblRatingList->rowCount(); ++r) {
        auto *label = qobject_cast<QLinkLabel *>(tblRatingList->cellWidget(r, ColStock));
        if (!label)
            continue;
        if (isBlockedStock(rowStockCode(r)))
            setTextColor(label, kBlocked);
        else
            setTextColor(label, rowAge(r) > ratingDays ? kGray : kBlack);
    }
}

int QWinRatingList::currentRow() const
{
    return tblRatingList->currentRow();
}

QString QWinRatingList::rowReportId(int row) const
{
    const QTableWidgetItem *item = tblRatingList->item(row, ColDate);
    return item ? item->data(RoleId).toString() : QString();
}

QString QWinRatingList::rowStockCode(int row) const
{
    const QTableWidgetItem *item = tblRatingList->item(row, ColDate);
    return item ? item->data(RoleStockCode).toString() : QString();
}

int QWinRatingList::rowAge(int row) const
{
    const QTableWidgetItem *item = tblRatingList->item(row, ColDate);
    return item ? item->data(RoleAge).toInt() : 0;
}

QString QWinRatingList::cellText(int row, int column) const
{
    const auto *label = qobject_cast<QLabel *>(tblRatingList->cellWidget(row, column));
    return label ? label->text() : QString();
}

void QWinRatingList::onRatingListClicked()
{
    const int row = currentRow();
    if (row >= 0)
        m_readMarks->markRow(row);
}

void QWinRatingList::setRatingAllReaded()
{
    m_readMarks->markPage(this);
}
