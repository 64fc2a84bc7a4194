#include "qdlgrating.h"

#include "dbconnection.h"
#include "globalstate.h"
#include "placebyframe.h"
#include "qlinklabel.h"
#include "ratingcells.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"
#include "windowframe.h"

#include <QCursor>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QScreen>
#include <QSqlQuery>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

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
    // The window manager tells the frame as it frames the window, before mapping it or (kwin)
    // after: a place reckoned with another frame is mended once it is told. Made now, so that
    // the manager's word reaches the window from its first showing.
    placement = new PlaceByFrame(this, PlaceByFrame::OnceFramed, [this](const QMargins &frame) {
        ownFrame = frame;
        if (frame != placedWith)
            placeByFrame(frame);
    });

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
        // Created first: some platforms know a window's frame before it shows, and the window
        // tells when it is exposed.
        create();
        placeAt(QCursor::pos());
        placement->await();
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
    placedFor = pointer;
    placedWith = expectedFrame();
    // By its own area, not its frame's corner: until it is framed its frame is only counted
    // on, and a window manager would hang a first showing below a corner meant for the frame.
    const QRect place(framePositionAt(available, size(), placedWith, pointer) + QPoint(placedWith.left(), placedWith.top()),
                      size());
    setGeometry(place);
    // Asked of the window too: a hidden widget hands on only a place other than its window's,
    // and a window never placed asks the manager for no place (at the screen's corner, say).
    windowHandle()->setGeometry(place);
}

// By the frame's corner now that the frame is known. Asked even where the manager has already
// put the window itself (pulled back onto the screen): Qt asks nothing for the place it records.
void QDlgRating::placeByFrame(const QMargins &frame)
{
    QScreen *screen = QGuiApplication::screenAt(placedFor);
    const QRect available = (screen ? screen : this->screen())->availableGeometry();
    placedWith = frame;
    windowHandle()->setFramePosition(framePositionAt(available, size(), frame, placedFor));
}

// The frame the pop-up will have, as the window manager tells it: Qt's record cannot tell an
// unknown frame from none, and may be read off a frame the manager is still building.
QMargins QDlgRating::expectedFrame() const
{
    if (ownFrame)
        return *ownFrame;
    if (const std::optional<QMargins> own = managedFrame(windowHandle()))
        return *own;
    // The window manager draws the same frame around each plain window or dialog: one of the
    // program's framed now, neither maximized nor frameless, has it.
    for (const QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window == windowHandle() || !window->isVisible() || window->windowStates() != Qt::WindowNoState
            || (window->flags() & Qt::FramelessWindowHint)
            || (window->type() != Qt::Window && window->type() != Qt::Dialog))
            continue;
        if (const std::optional<QMargins> frame = managedFrame(window))
            return *frame;
    }
    // None framed yet: the style's title bar and frame, a guess that holds until it is framed.
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    return QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), border, border);
}

void QDlgRating::leaveEvent(QEvent *event)
{
    if (hideOnLeave)
        hideRating();
    event->ignore();
}
