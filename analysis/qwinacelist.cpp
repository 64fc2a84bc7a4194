#include "qwinacelist.h"

#include "columnfit.h"
#include "acelistquery.h"
#include "acelistrow.h"
#include "globalstate.h"
#include "liststyle.h"
#include "userlists.h"

#include <QTableWidget>

namespace {

AnalysisListParams aceParams()
{
    const QString yearN = QString::number(getAceYear());
    const QString yearN1 = QString::number(getAceYear() + 1);
    const QString ability = QStringLiteral("荐股\n能力");
    const QString stocks = QStringLiteral("推荐\n股数");
    const QString ratings = QStringLiteral("推荐\n次数");

    AnalysisListParams p;
    p.columns = {
        {QStringLiteral("分析师"), {}, 65},
        {QStringLiteral("机构"), {}, 80},
        {QStringLiteral("行业"), {}, 80},
        {QStringLiteral("从业\n年数"), {}, 60},
        {stocks, {yearN}, 50},
        {ratings, {yearN}, 50},
        {stocks, {yearN1}, 50},
        {ratings, {yearN1}, 50},
    };
    for (const QString &term : {QStringLiteral("中线推荐表现"), QStringLiteral("短线推荐表现")}) {
        p.columns.append({ability, {term}, 50});
        for (const QString &year : {yearN, yearN1}) {
            for (const QString &caption : {QStringLiteral("成功率"), QStringLiteral("平均"), QStringLiteral("最高")})
                p.columns.append({caption, {term, year}, 50});
        }
    }
    p.rowHeight = 32;
    p.fixedSections = {QWinAceList::ColAnalyst, QWinAceList::ColInst, QWinAceList::ColIndustry};
    // The industry as the given width would cut it at the program's font.
    p.widest = {{QWinAceList::ColIndustry, WidestText::industry}};
    p.initialSortSection = QWinAceList::ColYears;
    // A new ranking always opens on the middle-term mark, whatever its "order".
    p.otherOrderSection = 8;
    p.publishesStockList = false;
    p.defaultListId = QStringLiteral("ACE_ALL");
    return p;
}

enum Column { ColStocksN = 4, ColRatingsN, ColStocksN1, ColRatingsN1, ColMiddleTerm, ColShortTerm = 15 };

// Per term: the mark, then rate, average and highest rise of year N, then of year N+1.
enum TermColumn { TermMark, TermRateN, TermAvgN, TermMaxN, TermRateN1, TermAvgN1, TermMaxN1 };

} // namespace

QWinAceList::QWinAceList(QWidget *parent)
    : QWinAnalysisList(aceParams(), parent)
{
    connect(table, &QTableWidget::doubleClicked, this, &QWinAceList::showRatingOfAnalyst);
    connect(table, &QWidget::customContextMenuRequested, this, &QWinAceList::popMenuOfAceList);
    buildMenu();
}

void QWinAceList::showAceList(const QString &request, int page)
{
    showListAt(request, page);
}

bool QWinAceList::runQuery(QSqlQuery &query, const AnalysisListRequest &request, int section, Qt::SortOrder order)
{
    const AceListQuery ace(request, section, order, getAceYear());
    return !ace.selectsNothing() && ace.sql().exec(query);
}

void QWinAceList::fillRow(int row, const ListRecord &record)
{
    const AceListRow r = AceListRow::fromRecord(record);
    const Qt::Alignment centre = Qt::AlignCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;

    // Plain text: names are shown as they stand and read back from the labels.
    putLabel(row, ColAnalyst, r.name, centre, Qt::PlainText, !r.id.isEmpty(), &QWinAceList::showRatingOfAnalyst);
    table->item(row, ColAnalyst)->setData(Qt::UserRole, r.uid);
    putLabel(row, ColInst, r.inst, centre, Qt::PlainText, !r.inst.isEmpty(), &QWinAceList::showAceOfInst);
    putLabel(row, ColIndustry, r.industry, centre, Qt::PlainText, !r.industry.isEmpty(), &QWinAceList::showAceOfInd);
    putItem(row, ColYears, r.years, centre);
    putItem(row, ColStocksN, r.last.stocks, centre);
    putItem(row, ColRatingsN, r.last.ratings, centre);
    putItem(row, ColStocksN1, r.current.stocks, centre);
    putItem(row, ColRatingsN1, r.current.ratings, centre);

    const auto putTerm = [&](int first, const QString &mark, const AceListRow::Term &n, const AceListRow::Term &n1) {
        putLabel(row, first + TermMark, mark, centre, Qt::PlainText, false);
        putLabel(row, first + TermRateN, n.rate, centre, Qt::PlainText, false)->setToolTip(n.tip);
        putItem(row, first + TermAvgN, n.avgRise, right);
        putItem(row, first + TermMaxN, n.maxRise, right);
        putLabel(row, first + TermRateN1, n1.rate, centre, Qt::PlainText, false)->setToolTip(n1.tip);
        putItem(row, first + TermAvgN1, n1.avgRise, right);
        putItem(row, first + TermMaxN1, n1.maxRise, right);
    };
    putTerm(ColMiddleTerm, r.middleMark, r.last.middleTerm, r.current.middleTerm);
    putTerm(ColShortTerm, r.shortMark, r.last.shortTerm, r.current.shortTerm);
}

void QWinAceList::markRows()
{
    markConcernedInst();
    markConcernedAnalyst();
}

void QWinAceList::markConcernedInst()
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (auto *label = qobject_cast<QLabel *>(table->cellWidget(row, ColInst)))
            setTextColor(label, QColor(isConcernedInst(label->text()) ? QStringLiteral("blue") : QStringLiteral("black")));
    }
}

void QWinAceList::markConcernedAnalyst()
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, ColAnalyst);
        QWidget *label = table->cellWidget(row, ColAnalyst);
        if (!item || !label)
            continue;
        setTextColor(label, QColor(isConcernedAnalyst(item->data(Qt::UserRole).toString()) ? QStringLiteral("red")
                                                                                               : QStringLiteral("black")));
    }
}
