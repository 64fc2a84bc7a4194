#include "qwinreportlist.h"
#include "reportlistcolumns.h"

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
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QToolButton>

// The report list's search bars and what they ask for.

using namespace reportlist;

namespace {

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

} // namespace

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
