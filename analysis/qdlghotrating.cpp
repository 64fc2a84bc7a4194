#include "qdlghotrating.h"
#include "ui_qdlghotrating.h"

#include "analysisformat.h"
#include "analysislog.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "qlinklabel.h"

#include <QHeaderView>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The period ends at the newest report entry, not today; each institution counts once.
const char kHotRatings[] =
    "select  Count_Ins.Stk_code, Stk_Name, insCount "
    "from (SELECT stk_code, count(distinct ins_name) as insCount FROM T_Rating "
    "where Rpt_DtPublish >= date((select max(Rpt_DtEntry) from T_Report), '-30 day') "
    "and Rat_Score>3 "
    "group by stk_code) Count_Ins "
    "left join T_Stock on T_Stock.Stk_Code = Count_Ins.Stk_code "
    "order by insCount desc limit 0, 20";

} // namespace

QDlgHotRating::QDlgHotRating(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QDlgHotRating)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("热门推荐"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint);

    QTableWidget *table = ui->TblStockList;
    table->setColumnCount(2);
    table->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("股票名称")));
    table->setHorizontalHeaderItem(1, new QTableWidgetItem(QStringLiteral("机构数")));
    table->setColumnWidth(0, 120);
    table->setColumnWidth(1, 80);
    table->horizontalHeader()->setSectionsClickable(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->setDefaultSectionSize(35);
    QPalette palette = table->palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        const auto g = QPalette::ColorGroup(group);
        palette.setBrush(g, QPalette::Base, QBrush(getAlternateBaseColor()));
        palette.setBrush(g, QPalette::AlternateBase, QBrush(getAlternateBaseColor()));
    }
    table->setPalette(palette);
    table->setAlternatingRowColors(true);
    connect(table, &QTableWidget::doubleClicked, this, &QDlgHotRating::showRatingOfStock);
}

QDlgHotRating::~QDlgHotRating()
{
    delete ui;
}

void QDlgHotRating::showEvent(QShowEvent *event)
{
    // Created at start-up, when a first run's database is still empty.
    loadList();
    QDialog::showEvent(event);
}

void QDlgHotRating::loadList()
{
    QTableWidget *table = ui->TblStockList;
    table->setRowCount(0);
    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(kHotRatings))) {
        qCWarning(lcAnalysis) << "hot ratings query failed:" << query.lastError().text();
        return;
    }
    while (query.next()) {
        const QString code = query.value(0).toString();
        const int row = table->rowCount();
        table->insertRow(row);
        table->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row + 1)));
        auto *stock = new QTableWidgetItem;
        stock->setData(Qt::UserRole, code);
        table->setItem(row, 0, stock);
        auto *label = new QLinkLabel(this);
        label->setFont(getAppFont());
        label->setTextFormat(Qt::RichText);
        label->setText(stockNameHtml(query.value(1).toString(), code));
        label->setAlignment(Qt::AlignCenter);
        connect(label, &QLinkLabel::clicked, this, &QDlgHotRating::showRatingOfStock);
        table->setCellWidget(row, 0, label);
        auto *count = new QTableWidgetItem(query.value(2).toString());
        count->setData(Qt::TextAlignmentRole, int(Qt::AlignCenter));
        table->setItem(row, 1, count);
    }
}

void QDlgHotRating::showRatingOfStock()
{
    const int row = ui->TblStockList->currentRow();
    if (row >= 0)
        emit showRatingListOfStock(ui->TblStockList->item(row, 0)->data(Qt::UserRole).toString());
}
