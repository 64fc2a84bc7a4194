#include "qwinreportlist.h"

#include "analystlistfunction.h"
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

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Role {
    RoleId = Qt::UserRole,
    RolePublish = Qt::UserRole + 1,
    RoleFileName = Qt::UserRole + 2,
    RoleTitle = Qt::UserRole + 3,
    RoleAnalysts = Qt::UserRole + 4,
    RoleStockCode = Qt::UserRole + 5,
};

enum ColumnIndex { ColDate, ColMark, ColInst, ColTitle, ColAnalysts, ColType, ColPages, ColumnCount };

// The colours of the cell labels, as CSS names them.
const QColor kConcerned(QStringLiteral("blue"));
const QColor kPlainInst(QStringLiteral("gray"));
const QColor kBlocked(QStringLiteral("red"));
const QColor kPlainTitle(QStringLiteral("black"));

QLabel *fixedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(getAppFont());
    label->setFixedHeight(24);
    return label;
}

QComboBox *comboBox(QWidget *parent, int width)
{
    auto *box = new QComboBox(parent);
    box->setFont(getAppFont());
    box->setView(new QListView(box));
    box->setFixedSize(width, 24);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLineEdit *lineEdit(QWidget *parent, int maxWidth)
{
    auto *edit = new QLineEdit(parent);
    edit->setFont(getAppFont());
    edit->setFixedHeight(24);
    edit->setMaximumWidth(maxWidth);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

// The one download dialog shows while a report downloads; the main window drops any other
// download asked for meanwhile.
bool reportDownloadRunning()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](const QWidget *w) {
        return w->inherits("QDlgDownloadFile") && w->isVisible();
    });
}

bool copyFile(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        *error = target.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            *error = source.errorString();
            target.cancelWriting();
            return false;
        }
        if (target.write(chunk) != chunk.size()) {
            *error = target.errorString();
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        *error = target.errorString();
        return false;
    }
    return true;
}

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
    m_pageStarts = std::make_unique<ReportPageStarts>();
    m_readMarks = std::make_unique<ListReadMarks>(
        tblReportList, QStringLiteral("update T_Report set Rpt_Readed=1 where Rpt_ID=?"), QList<int>{ColInst, ColTitle});
}

QWinReportList::~QWinReportList() = default;

QWidget *QWinReportList::buildSearchBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    edtTitleKeyword = lineEdit(bar, 150);
    edtTitleKeyword->setToolTip(QStringLiteral("空格分隔多个词，\"-\"表示排除(例：铅 -铅笔)"));

    wgtAdvanceSearchBar = new QWidget(bar);
    auto *advance = new QHBoxLayout(wgtAdvanceSearchBar);
    advance->setContentsMargins(0, 0, 0, 0);
    advance->setSpacing(0);

    cboReportCode = comboBox(wgtAdvanceSearchBar, 90);
    cboReportCode->addItem(QStringLiteral("<不限>"), QString(""));
    for (const QString &code : getReportCodeList())
        cboReportCode->addItem(getReportCodeName(code), code);

    edtInstKeyword = lineEdit(wgtAdvanceSearchBar, 80);
    edtAnalsKeyword = lineEdit(wgtAdvanceSearchBar, 80);

    const int thisYear = QDate::currentDate().year();
    cboYearStart = comboBox(wgtAdvanceSearchBar, 65);
    for (int year = thisYear - 1; year >= getDataYear(); --year)
        cboYearStart->addItem(QString::number(year), QString(""));
    cboYearEnd = comboBox(wgtAdvanceSearchBar, 65);
    for (int year = thisYear; year >= getDataYear(); --year)
        cboYearEnd->addItem(QString::number(year), QString(""));

    advance->addSpacing(8);
    advance->addWidget(fixedLabel(QStringLiteral("分类："), wgtAdvanceSearchBar));
    advance->addWidget(cboReportCode);
    advance->addSpacing(8);
    advance->addWidget(fixedLabel(QStringLiteral("研究机构："), wgtAdvanceSearchBar));
    advance->addWidget(edtInstKeyword);
    advance->addSpacing(8);
    advance->addWidget(fixedLabel(QStringLiteral("分析师："), wgtAdvanceSearchBar));
    advance->addWidget(edtAnalsKeyword);
    advance->addSpacing(8);
    advance->addWidget(fixedLabel(QStringLiteral("年份："), wgtAdvanceSearchBar));
    advance->addWidget(cboYearStart);
    advance->addWidget(fixedLabel(QStringLiteral("-"), wgtAdvanceSearchBar));
    advance->addWidget(cboYearEnd);

    auto *btnSearch = new QToolButton(bar);
    btnSearch->setText(QStringLiteral("搜索"));
    btnSearch->setFont(getAppFont());
    btnSearch->setFixedHeight(24);
    btnSearch->setFocusPolicy(Qt::NoFocus);

    btnAdvanceSearch = new QToolButton(bar);
    btnAdvanceSearch->setFixedSize(24, 24);
    btnAdvanceSearch->setIconSize(QSize(16, 16));
    btnAdvanceSearch->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnAdvanceSearch->setFocusPolicy(Qt::NoFocus);

    layout->addStretch();
    layout->addWidget(fixedLabel(QStringLiteral("标题："), bar));
    layout->addWidget(edtTitleKeyword);
    layout->addWidget(wgtAdvanceSearchBar);
    layout->addSpacing(8);
    layout->addWidget(btnSearch);
    layout->addWidget(btnAdvanceSearch);

    connect(edtTitleKeyword, &QLineEdit::returnPressed, this, &QWinReportList::searchReport);
    connect(edtInstKeyword, &QLineEdit::returnPressed, this, &QWinReportList::searchReport);
    connect(edtAnalsKeyword, &QLineEdit::returnPressed, this, &QWinReportList::searchReport);
    connect(btnSearch, &QToolButton::clicked, this, &QWinReportList::searchReport);
    connect(btnAdvanceSearch, &QToolButton::clicked, this, &QWinReportList::switchAdvanceSearchBarVisible);
    hideAdvanceSearchBar();
    return bar;
}

void QWinReportList::buildTable()
{
    QTableWidget *t = tblReportList;
    t->setColumnCount(ColumnCount);
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
    const QFont font = getAppFont();
    QFont rowFont = font;
    rowFont.setWeight(row.isUnread() ? QFont::Bold : QFont::Normal);
    t->setVerticalHeaderItem(r, new QTableWidgetItem(QString::number(r + 1 + qint64(page) * ReportListQuery::pageSize())));

    auto *date = new QTableWidgetItem(row.dateText());
    date->setData(RoleId, row.id);
    date->setData(RolePublish, row.publishText());
    date->setData(RoleFileName, row.fileName());
    date->setData(RoleTitle, row.title);
    date->setData(RoleAnalysts, row.analystNames().join(QLatin1Char(',')));
    date->setData(RoleStockCode, row.stockCode);
    t->setItem(r, ColDate, date);

    // The labels are kept from the page before: each gets all that differs from row to row.
    // Font and colour go before the text: each change after it lays the text out again.
    t->setItem(r, ColMark, new QTableWidgetItem);
    auto *lock = keptLabel<QCellLabel>(t, r, ColMark, [&](QCellLabel *l) {
        l->setFont(font);
        l->setAlignment(Qt::AlignCenter);
        l->setToolTip(QStringLiteral("独家报告"));
    });
    lock->setText(row.exclusive > 0 ? QStringLiteral("<img src=':/images/lock.png'>") : QString());

    t->setItem(r, ColInst, new QTableWidgetItem);
    auto *inst = keptLabel<QLinkLabel>(t, r, ColInst, [this](QLinkLabel *l) {
        l->setAlignment(Qt::AlignCenter);
        // Plain text: the name shows as stored and reads back unchanged.
        l->setTextFormat(Qt::PlainText);
        connect(l, &QLinkLabel::clicked, this, &QWinReportList::showReportOfInst);
    });
    inst->setRowFont(rowFont);
    setTextColor(inst, isConcernedInst(row.inst) ? kConcerned : kPlainInst);
    inst->setText(row.inst);

    t->setItem(r, ColTitle, new QTableWidgetItem);
    const QString titleHtml = row.titleHtml();
    auto *title = keptLabel<QLinkLabel>(t, r, ColTitle, [this](QLinkLabel *l) {
        connect(l, &QLinkLabel::clicked, this, &QWinReportList::viewReport);
    });
    title->setRowFont(rowFont);
    setTextColor(title, containsBlockedStock(titleHtml) ? kBlocked : kPlainTitle);
    title->setText(titleHtml);

    t->setItem(r, ColAnalysts, new QTableWidgetItem);
    auto *analysts = keptLabel<QCellLabel>(t, r, ColAnalysts, [&](QCellLabel *l) {
        l->setFont(font);
        l->setContextMenuPolicy(Qt::NoContextMenu);
        connect(l, &QLabel::linkActivated, this, &QWinReportList::showReportOfAnls);
    });
    analysts->setText(row.analystHtml());

    t->setItem(r, ColType, new QTableWidgetItem);
    auto *type = keptLabel<QCellLabel>(t, r, ColType, [](QCellLabel *l) { l->setAlignment(Qt::AlignCenter); });
    const QString icon = row.typeIcon();
    if (!icon.isEmpty())
        type->setPixmap(QPixmap(icon));
    else if (!type->pixmap(Qt::ReturnByValue).isNull())
        type->clear();

    auto *pages = new QTableWidgetItem(row.pageText());
    pages->setForeground(QBrush(Qt::gray, Qt::SolidPattern));
    pages->setTextAlignment(Qt::AlignCenter);
    t->setItem(r, ColPages, pages);

    if (row.isUnread()) {
        for (int c = 0; c < t->columnCount(); ++c) {
            QTableWidgetItem *item = t->item(r, c);
            QFont f = item->font();
            f.setWeight(QFont::Bold);
            item->setFont(f);
        }
    }
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

void QWinReportList::popMenuOfReportList(const QPoint &pos)
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    actShowReportOfInst->setText(QStringLiteral("查看机构报告 - ") + name);
    actAddConcernedInst->setText(QStringLiteral("添加关注机构 - ") + name);
    actRemoveConcernedInst->setText(QStringLiteral("取消关注机构 - ") + name);
    const bool concerned = isConcernedInst(name);
    actAddConcernedInst->setVisible(!concerned);
    actRemoveConcernedInst->setVisible(concerned);

    mnuFavorite->clear();
    mnuFavorite->addAction(actNewFav);
    mnuFavorite->addSeparator();
    const QString id = rowReportId(row);
    for (const QString &folder : getFavoriteNameList()) {
        QString text = folder;
        QAction *a = mnuFavorite->addAction(text.replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setFont(getAppFont());
        a->setData(folder);
        a->setCheckable(true);
        a->setChecked(isFavoriteReport(folder, id));
        connect(a, &QAction::triggered, this, &QWinReportList::addReportToFav);
    }
    mnuReportList->exec(tblReportList->viewport()->mapToGlobal(pos));
}

void QWinReportList::viewReport()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem *item = tblReportList->item(row, ColDate);
    emit openFile(item->data(RoleId).toString(), getLocalFilePath(item->data(RoleFileName).toString()));
}

void QWinReportList::saveReport()
{
    const int row = currentRow();
    if (row < 0)
        return;
    QString dir = getSaveDir();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString fileName = tblReportList->item(row, ColDate)->data(RoleFileName).toString();
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("保存报告"), dir + QLatin1Char('/') + fileName,
                                                      QStringLiteral("All files (*.*)"));
    if (path.isEmpty())
        return;
    setSaveDir(QFileInfo(path).absolutePath());
    saveReportTo(row, path);
}

bool QWinReportList::saveReportTo(int row, const QString &path)
{
    const QTableWidgetItem *item = tblReportList->item(row, ColDate);
    if (!item || path.isEmpty())
        return false;
    const QString id = item->data(RoleId).toString();
    const QFileInfo local(getLocalFilePath(item->data(RoleFileName).toString()));
    const QFileInfo target(path);

    if (local.exists() && local.size() > 0) {
        if (local.absoluteFilePath() != target.absoluteFilePath()) {
            QString error;
            if (!copyFile(local.absoluteFilePath(), path, &error)) {
                qCWarning(lcLists) << "Saving a report copy failed:" << error;
                QMessageBox::critical(this, QStringLiteral("错误"),
                                      QStringLiteral("报告保存失败：") + path + QStringLiteral("\n") + error,
                                      QMessageBox::Ok);
                return false;
            }
        }
        emit openFile(id, path);
        return true;
    }

    // No local copy: the main window downloads into the chosen path when no file is there.
    if (reportDownloadRunning()) {
        QMessageBox::information(this, QStringLiteral("注意"),
                                 QStringLiteral("正在下载其他报告，请等下载完成后再保存。"), QMessageBox::Ok);
        return false;
    }
    if (target.exists() && !QFile::remove(path)) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("无法替换文件：") + path, QMessageBox::Ok);
        return false;
    }
    emit openFile(id, path);
    return true;
}

void QWinReportList::showReportOfInst()
{
    const int row = currentRow();
    if (row >= 0)
        emit showReportListOfInst(rowInst(row));
}

void QWinReportList::showReportOfAnls(const QString &analystId)
{
    emit showReportListOfAnls(analystId);
}

void QWinReportList::refuse(QWidget *field, const QString &text)
{
    QMessageBox::information(this, QStringLiteral("注意"), text, QMessageBox::Ok);
    field->setFocus();
}

void QWinReportList::searchReport()
{
    const QString keyword = edtTitleKeyword->text().trimmed();
    if (containsSpecialChar(keyword)) {
        refuse(edtTitleKeyword, QStringLiteral("关键词包含不恰当的字符！"));
        return;
    }
    QString inst, analyst, code, yearStart, yearEnd;
    if (!wgtAdvanceSearchBar->isHidden()) {
        inst = edtInstKeyword->text().trimmed();
        if (containsSpecialChar(inst)) {
            refuse(edtInstKeyword, QStringLiteral("研究机构包含不恰当的字符！"));
            return;
        }
        analyst = edtAnalsKeyword->text().trimmed();
        if (containsSpecialChar(analyst)) {
            refuse(edtAnalsKeyword, QStringLiteral("分析师含不恰当的字符！"));
            return;
        }
        code = cboReportCode->currentData().toString();
        // The start box begins one year below the end box.
        if (cboYearEnd->currentIndex() > cboYearStart->currentIndex() + 1) {
            refuse(cboYearEnd, QStringLiteral("终止年份不能早于起始年份！"));
            return;
        }
        yearEnd = cboYearEnd->currentText();
        yearStart = cboYearStart->currentText();
    }
    emit showReportListOfSearch(keyword, inst, analyst, code, yearStart, yearEnd);
}

void QWinReportList::addConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    if (isConcernedInst(name) || !addToConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinReportList::removeConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = rowInst(row);
    if (!isConcernedInst(name) || !removeFromConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinReportList::addReportToFav(bool checked)
{
    const int row = currentRow();
    auto *entry = qobject_cast<QAction *>(sender());
    if (row < 0 || !entry)
        return;
    const QString folder = entry->data().toString();
    const QString id = rowReportId(row);
    if (checked)
        addFavoriteReport(folder, id, true);
    else
        removeFavoriteReport(folder, id);
    markFavoriteReport();
}

void QWinReportList::newFav()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString id = rowReportId(row);
    bool ok = false;
    QString name = QInputDialog::getText(this, QStringLiteral("新建收藏夹"), QStringLiteral("请输入收藏夹名称"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    name = name.trimmed();
    if (name.isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("请填写收藏夹名称!"), QMessageBox::Ok);
        return;
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("收藏夹名称含有不恰当字符!"),
                              QMessageBox::Ok);
        return;
    }
    addFavoriteReport(name, id, true);
    markFavoriteReport();
    emit loadFavoriteListOfSidebar();
}

void QWinReportList::copyReportList()
{
    QString text;
    for (int r = 0; r < tblReportList->rowCount(); ++r) {
        const QTableWidgetItem *item = tblReportList->item(r, ColDate);
        const QTableWidgetItem *pages = tblReportList->item(r, ColPages);
        text += item->data(RolePublish).toString() + QLatin1Char('\t') + rowInst(r) + QLatin1Char('\t')
                + item->data(RoleTitle).toString() + QLatin1Char('\t') + item->data(RoleAnalysts).toString()
                + QLatin1Char('\t') + (pages ? pages->text() : QString()) + QLatin1Char('\n');
    }
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("报告列表已复制到剪贴板"), QMessageBox::Ok);
}

void QWinReportList::switchAdvanceSearchBarVisible()
{
    if (wgtAdvanceSearchBar->isHidden())
        showAdvanceSearchBar();
    else
        hideAdvanceSearchBar();
}

void QWinReportList::showAdvanceSearchBar()
{
    wgtAdvanceSearchBar->setVisible(true);
    btnAdvanceSearch->setIcon(QIcon(QStringLiteral(":/images/hide.png")));
    btnAdvanceSearch->setToolTip(QStringLiteral("隐藏高级搜索"));
}

void QWinReportList::hideAdvanceSearchBar()
{
    wgtAdvanceSearchBar->setVisible(false);
    btnAdvanceSearch->setIcon(QIcon(QStringLiteral(":/images/show.png")));
    btnAdvanceSearch->setToolTip(QStringLiteral("显示高级搜索"));
}
