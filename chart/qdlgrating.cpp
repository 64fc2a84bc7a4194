#include "qdlgrating.h"

#include "dbconnection.h"
#include "globalstate.h"
#include "qlinklabel.h"
#include "ratingcells.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"

#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QScreen>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Role { RoleReportId = Qt::UserRole, RoleFileName = Qt::UserRole + 1 };

QTableWidgetItem *centredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

// The top-left of the frame of a window of the given size centred on point, the frame's margins
// around it, shifted the least that keeps the frame in the available area (at the area's
// top-left where the frame is the larger).
QPoint framePositionAt(const QRect &available, const QSize &size, const QMargins &frame, const QPoint &point)
{
    QRect window(QPoint(), size);
    window.moveCenter(point);
    const QRect outer = window.marginsAdded(frame);
    return QPoint(std::max(available.left(), std::min(outer.left(), available.right() + 1 - outer.width())),
                  std::max(available.top(), std::min(outer.top(), available.bottom() + 1 - outer.height())));
}

} // namespace

QDlgRating::QDlgRating(QWidget *parent)
    : QDialog(parent)
{
    init();
}

void QDlgRating::init()
{
    setObjectName(QStringLiteral("QDlgRating"));
    resize(339, 212);
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    TblRatingList = new QTableWidget(this);
    TblRatingList->setObjectName(QStringLiteral("TblRatingList"));
    verticalLayout->addWidget(TblRatingList);

    setWindowTitle(QStringLiteral("股票评级"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setFixedSize(size());
    // A dialog, so that the window manager learns the main window is its parent and keeps it
    // above; a plain window loses that tie on X and falls behind the maximized main window.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    hideOnLeave = true;

    TblRatingList->setFont(getAppFont());
    TblRatingList->setColumnCount(3);
    TblRatingList->setHorizontalHeaderLabels({QStringLiteral("机构"), QStringLiteral("评级"), QStringLiteral("目标价")});
    const int widths[3] = {80, 80, 135};
    for (int c = 0; c < 3; ++c)
        TblRatingList->setColumnWidth(c, widths[c]);
    TblRatingList->horizontalHeader()->setSectionsClickable(false);
    TblRatingList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblRatingList->setSelectionBehavior(QAbstractItemView::SelectRows);
    TblRatingList->setSelectionMode(QAbstractItemView::SingleSelection);
    TblRatingList->setFocusPolicy(Qt::NoFocus);
    QPalette palette = TblRatingList->palette();
    palette.setBrush(QPalette::All, QPalette::Base, QBrush(getBaseColor()));
    palette.setBrush(QPalette::All, QPalette::AlternateBase, QBrush(getAlternateBaseColor()));
    TblRatingList->setPalette(palette);
    TblRatingList->setAlternatingRowColors(true);
}

void QDlgRating::showRating(const QString &code, const QString &date)
{
    hideOnLeave = true;
    if (!isVisible()) {
        placeAt(QCursor::pos());
        show();
    }
    raise();
    if (code == stockCode && date == ratingDate)
        return;
    stockCode = code;
    ratingDate = date;
    loadRatings();
}

void QDlgRating::loadRatings()
{
    setWindowTitle(getStockName(stockCode) + QLatin1Char('[') + stockCode + QStringLiteral("] - ") + ratingDate);
    TblRatingList->setRowCount(0);

    QSqlQuery query(mainDatabase());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "select T_Rating.Rpt_ID, T_Rating.Ins_Name, Rat_Recomm, Rat_Score, Rat_Action, "
        "Rat_PrcLower * Rat_PrcFac / Prc_Factor, Rat_PrcUpper * Rat_PrcFac / Prc_Factor, "
        "Prc_Factor / Rat_PrcFac, T_Report.Rpt_Title, T_Report.Rpt_Type, T_Report.Rpt_DtPublish, "
        "T_Report.Rpt_ID is not null "
        "from T_Rating "
        "left join T_Stock on T_Rating.Stk_Code = T_Stock.Stk_Code "
        "left join T_Report on T_Report.Rpt_ID = T_Rating.Rpt_ID "
        "where date(T_Rating.Rpt_DtPublish) = ? and T_Rating.Stk_Code = ? "
        "order by Rat_Score desc"));
    query.addBindValue(ratingDate);
    query.addBindValue(stockCode);
    if (!query.exec())
        return;
    while (query.next()) {
        const QString institution = query.value(1).toString();
        const int score = query.value(3).toInt();
        const bool hasReport = query.value(11).toBool();
        const int row = TblRatingList->rowCount();
        TblRatingList->insertRow(row);
        TblRatingList->setVerticalHeaderItem(row, new QTableWidgetItem(QString()));

        QTableWidgetItem *inst = centredItem(institution);
        if (isConcernedInst(institution))
            inst->setForeground(Qt::blue);
        inst->setData(RoleReportId, query.value(0).toString());
        // Without its report there is no file to name: such a rating offers no click.
        if (hasReport) {
            const QString type = query.value(9).toString();
            const QString published = query.value(10).toDateTime().toString(QStringLiteral("yyyyMMdd"));
            inst->setData(RoleFileName, makeReportFileName(institution, query.value(8).toString(), published,
                                                           type.isEmpty() ? QStringLiteral("PDF") : type));
        }
        TblRatingList->setItem(row, 0, inst);

        TblRatingList->setItem(row, 1, new QTableWidgetItem(QString()));
        auto *label = new QLinkLabel(this);
        label->setFont(getAppFont());
        label->setText(query.value(2).toString() + QLatin1Char('(') + ratingActionText(query.value(4).toString())
                       + QLatin1Char(')'));
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(ratingStyleSheet(score));
        label->setClickable(hasReport);
        connect(label, &QLinkLabel::clicked, this, &QDlgRating::viewReport);
        TblRatingList->setCellWidget(row, 1, label);

        TblRatingList->setItem(row, 2, centredItem(targetPriceText(query.value(5).toDouble(),
                                                                   query.value(6).toDouble(),
                                                                   query.value(7).toDouble())));
    }
}

void QDlgRating::viewReport()
{
    const int row = TblRatingList->currentRow();
    if (row < 0 || !TblRatingList->item(row, 0))
        return;
    const QTableWidgetItem *item = TblRatingList->item(row, 0);
    const QString fileName = item->data(RoleFileName).toString();
    if (fileName.isEmpty())
        return;
    hideOnLeave = false;
    emit openFile(item->data(RoleReportId).toString(), getLocalFilePath(fileName));
}

void QDlgRating::hideRating()
{
    if (isVisible())
        hide();
}

void QDlgRating::placeAt(const QPoint &pointer)
{
    QScreen *screen = QGuiApplication::screenAt(pointer);
    const QRect available = (screen ? screen : this->screen())->availableGeometry();
    const QRect frame = frameGeometry(), window = geometry();
    const QMargins margins(window.left() - frame.left(), window.top() - frame.top(),
                           frame.right() - window.right(), frame.bottom() - window.bottom());
    // By its own area, not its frame's corner: the frame of a first showing is not known yet,
    // and a window manager would hang it below a corner meant for the frame, a title bar
    // below the pointer.
    setGeometry(QRect(framePositionAt(available, size(), margins, pointer) + QPoint(margins.left(), margins.top()),
                      size()));
}

void QDlgRating::leaveEvent(QEvent *event)
{
    if (hideOnLeave)
        hideRating();
    event->ignore();
}
