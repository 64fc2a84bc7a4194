#include "qdlgalert.h"

#include "dbconnection.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qlinklabel.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"
#include "windowframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QWindow>

namespace {

enum Column { ColEntry, ColInstitution, ColTitle, ColPages, ColumnCount };
const int kColumnWidths[ColumnCount] = {50, 75, 395, 40};
const int kReportIdRole = Qt::UserRole;
const int kFileNameRole = Qt::UserRole + 1;

QTableWidgetItem *centredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

QDlgAlert::QDlgAlert(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgAlert"));
    setWindowTitle(QStringLiteral("信息提示"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setFixedSize(602, 181);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    // An alert comes while the user types into another window: the keys stay there.
    setAttribute(Qt::WA_ShowWithoutActivating);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &QDlgAlert::focusMoved);
    // Asked now, so that the manager's word on the frame reaches the window from its first showing.
    frameSetEventType();

    tblAlertList = new QTableWidget(0, ColumnCount, this);
    tblAlertList->setObjectName(QStringLiteral("tblAlertList"));
    tblAlertList->setGeometry(10, 10, 581, 161);
    for (int column = 0; column < ColumnCount; ++column)
        tblAlertList->setColumnWidth(column, kColumnWidths[column]);
    tblAlertList->horizontalHeader()->hide();
    tblAlertList->verticalHeader()->hide();
    tblAlertList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblAlertList->setWordWrap(true);
    tblAlertList->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblAlertList->setSelectionMode(QAbstractItemView::SingleSelection);
    tblAlertList->setFocusPolicy(Qt::NoFocus);
}

void QDlgAlert::addAlert(const QString &kind, const QString &reportId)
{
    // Both kinds look alike.
    Q_UNUSED(kind)
    if (!addAlertRow(reportId)) {
        pending.add(reportId, QDate::currentDate());
        return;
    }
    popUp();
}

void QDlgAlert::retryPendingAlerts()
{
    bool added = false;
    pending.resolve(QDate::currentDate(), [this, &added](const QString &reportId) {
        const bool found = addAlertRow(reportId);
        added = added || found;
        return found;
    });
    if (added)
        popUp();
}

bool QDlgAlert::addAlertRow(const QString &reportId)
{
    AlertReport report;
    if (!findAlertReport(mainDatabase(), reportId, &report))
        return false;
    tblAlertList->insertRow(0);

    QTableWidgetItem *entry = centredItem(report.entry.toString(QStringLiteral("HH:mm")));
    entry->setData(kReportIdRole, report.id);
    entry->setData(kFileNameRole, report.fileName);
    tblAlertList->setItem(0, ColEntry, entry);

    QTableWidgetItem *institution = centredItem(report.institution);
    if (isConcernedInst(report.institution))
        institution->setForeground(Qt::blue);
    tblAlertList->setItem(0, ColInstitution, institution);

    tblAlertList->setItem(0, ColTitle, new QTableWidgetItem(QString()));
    auto *title = new QLinkLabel(tblAlertList);
    // A title such as "PE<10倍" is text, not markup.
    title->setTextFormat(Qt::PlainText);
    title->setText(report.title);
    title->setFont(getAppFont());
    if (containsBlockedStock(report.title))
        title->setStyleSheet(QStringLiteral("color:red;"));
    connect(title, &QLinkLabel::clicked, this, &QDlgAlert::viewReport);
    tblAlertList->setCellWidget(0, ColTitle, title);

    tblAlertList->setItem(0, ColPages, centredItem(report.pageText()));
    return true;
}

void QDlgAlert::popUp()
{
    if (!isVisible()) {
        // By the frame it had last, and again once the manager tells the frame it has now: a
        // manager frames a window some time after it is shown, or only as it comes itself.
        framePending = true;
        winId();
        windowHandle()->installEventFilter(this);
        placeInCorner(lastFrame);
        show();
    }
    raise();
}

// The window itself placed for a frame of these margins in the corner. Asked of the window too:
// a hidden widget hands on only a place other than its window's.
void QDlgAlert::placeInCorner(const QMargins &frame)
{
    const QPoint corner =
        placedPosition(availableAreaOf(this), size().grownBy(frame), Qt::AlignRight | Qt::AlignBottom);
    const QRect place(corner + QPoint(frame.left(), frame.top()), size());
    setGeometry(place);
    windowHandle()->setGeometry(place);
}

// By the frame's corner once the manager has told the frame (Qt's record cannot tell a frame
// not known yet from none), asked even where the manager has already put it.
void QDlgAlert::placeByFrame()
{
    const std::optional<QMargins> frame = managedFrame(windowHandle());
    if (!framePending || !isVisible() || !frame)
        return;
    framePending = false;
    lastFrame = *frame;
    windowHandle()->setFramePosition(
        placedPosition(availableAreaOf(this), size().grownBy(*frame), Qt::AlignRight | Qt::AlignBottom));
}

void QDlgAlert::viewReport()
{
    const int row = tblAlertList->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem *entry = tblAlertList->item(row, ColEntry);
    emit openFile(entry->data(kReportIdRole).toString(),
                  getLocalFilePath(entry->data(kFileNameRole).toString()));
}

// A window manager puts a window it maps without focusing it next in line after the focused
// one: when the window the user typed into closes (the stock lookup), the manager falls back on
// the list. The focus goes back where the user was before, as it would have without the list.
// A click on the list, or the manager's own switch to it, leaves the window the focus came
// from on screen: the list keeps the focus then.
void QDlgAlert::focusMoved(QWindow *now)
{
    if (!now)
        return;
    stopHandingBack();
    QWindow *own = windowHandle();
    if (now == own && (!lastFocus || !lastFocus->isVisible()) && focusBefore && focusBefore != own
        && focusBefore->isVisible() && !(focusBefore->windowStates() & Qt::WindowMinimized)) {
        handBack(focusBefore);
        return;
    }
    if (now != lastFocus) {
        focusBefore = lastFocus;
        lastFocus = now;
    }
}

// Until the manager has moved the focus, the keys it sends here are that window's. Watched
// where they reach this window, before its widgets: each is seen once.
void QDlgAlert::handBack(QWindow *to)
{
    handingTo = to;
    qApp->installEventFilter(this);
    to->requestActivate();
}

void QDlgAlert::stopHandingBack()
{
    if (!handingTo)
        return;
    handingTo = nullptr;
    qApp->removeEventFilter(this);
}

bool QDlgAlert::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == windowHandle() && framePending
        && ((type == QEvent::Expose && windowHandle()->isExposed()) || type == frameSetEventType()))
        placeByFrame();
    if (!handingTo || watched != windowHandle())
        return QDialog::eventFilter(watched, event);
    // A click on the list: the user wants it after all.
    if (type == QEvent::MouseButtonPress) {
        stopHandingBack();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->windowHandle() != handingTo)
            continue;
        const auto *key = static_cast<QKeyEvent *>(event);
        QKeyEvent copy(type, key->key(), key->modifiers(), key->text(), key->isAutoRepeat(), key->count());
        // Sent, not posted: a key press is offered to the shortcuts first, as when typed.
        QCoreApplication::sendEvent(window->focusWidget() ? window->focusWidget() : window, &copy);
        return true;
    }
    return false;
}

void QDlgAlert::hideEvent(QHideEvent *event)
{
    stopHandingBack();
    QDialog::hideEvent(event);
}

void QDlgAlert::closeEvent(QCloseEvent *event)
{
    tblAlertList->setRowCount(0);
    QDialog::closeEvent(event);
}
