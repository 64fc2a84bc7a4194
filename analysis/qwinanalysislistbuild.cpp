#include "qwinanalysislist.h"

#include "columnfit.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qcomplexheadermodel.h"
#include "qcomplexheaderview.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItem>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The header tree of the columns: a group runs over the neighbouring columns that name it at
// the same depth under the same outer groups.
QList<QStandardItem *> headerTree(const QVector<AnalysisColumn> &columns)
{
    QList<QStandardItem *> tops;
    QList<QStandardItem *> open; // the groups of the previous column, outermost first
    QStringList openNames;
    for (const AnalysisColumn &column : columns) {
        int shared = 0;
        while (shared < open.size() && shared < column.groups.size()
               && openNames.at(shared) == column.groups.at(shared))
            ++shared;
        open = open.mid(0, shared);
        openNames = openNames.mid(0, shared);
        for (int depth = shared; depth <= column.groups.size(); ++depth) {
            const bool leaf = depth == column.groups.size();
            auto *item = new QStandardItem(leaf ? column.caption : column.groups.at(depth));
            if (depth == 0)
                tops << item;
            else
                open.last()->insertColumn(open.last()->columnCount(), {item});
            if (!leaf) {
                open << item;
                openNames << column.groups.at(depth);
            }
        }
    }
    return tops;
}

} // namespace

QWinAnalysisList::QWinAnalysisList(const AnalysisListParams &params, QWidget *parent)
    : QMdiSubWindow(parent)
    , m_params(params)
    , m_json(std::make_unique<JsonScript>())
    , m_sortSection(params.initialSortSection)
{
    build();
}

QWinAnalysisList::~QWinAnalysisList() = default;

void QWinAnalysisList::build()
{
    // The window is kept for the whole run, so it is not deleted on close.
    delete layout();
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *inner = new QWidget(this);
    outer->addWidget(inner);
    auto *row = new QHBoxLayout(inner);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(m_params.pagerSpacing);

    const int count = m_params.columns.size();
    table = new QTableWidget(inner);
    table->setColumnCount(count);

    auto *headerModel = new QComplexHeaderModel(this);
    headerModel->setColumnCount(count);
    const QList<QStandardItem *> tops = headerTree(m_params.columns);
    for (int i = 0; i < tops.size(); ++i)
        headerModel->setItem(i, tops.at(i));
    header = new QComplexHeaderView(Qt::Horizontal, nullptr);
    header->setModel(headerModel);
    header->setSortIndicator(0, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    table->setHorizontalHeader(header);
    // The header's own minimum (the widest character of its font) would widen narrow columns.
    int narrowest = header->minimumSectionSize();
    for (const AnalysisColumn &column : m_params.columns)
        narrowest = qMin(narrowest, column.width);
    header->setMinimumSectionSize(narrowest);
    for (int i = 0; i < count; ++i)
        table->setColumnWidth(i, m_params.columns.at(i).width);
    for (auto it = m_params.widest.cbegin(); it != m_params.widest.cend(); ++it)
        widenColumnToFit(table, it.key(), it.value());

    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(m_params.wordWrap);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->setDefaultSectionSize(m_params.rowHeight);
    table->setAutoScroll(false);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Wheel events reach the viewport first.
    table->viewport()->installEventFilter(this);

    QPalette palette = table->palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        const auto g = QPalette::ColorGroup(group);
        palette.setBrush(g, QPalette::Base, QBrush(getBaseColor()));
        palette.setBrush(g, QPalette::AlternateBase, QBrush(getAlternateBaseColor()));
    }
    table->setPalette(palette);
    table->setAlternatingRowColors(true);

    connect(header, &QHeaderView::sectionClicked, this, &QWinAnalysisList::sortList);
    row->addWidget(table);

    pager = new QScrollBar(inner);
    pager->setObjectName(QStringLiteral("scbPager"));
    pager->setFocusPolicy(Qt::NoFocus);
    pager->setRange(0, 0);
    connect(pager, &QScrollBar::valueChanged, this, &QWinAnalysisList::pageChanged);
    row->addWidget(pager);
}
