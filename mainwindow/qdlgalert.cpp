#include "qdlgalert.h"

#include "dbconnection.h"
#include "dialogplacement.h"
#include "globalstate.h"
#include "qlinklabel.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"
#include "placebyframe.h"
#include "windowlayer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QShowEvent>
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
    qApp->installNativeEventFilter(this);
    // By the frame's corner once the manager has told the frame (Qt's record cannot tell a frame
    // not known yet from none), made now so that its word reaches the window from its first showing.
    placement = new PlaceByFrame(this, PlaceByFrame::OnceFramed, [this](const QMargins &frame) { placeByFrame(frame); });

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
        winId();
        placement->await();
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
    const QRect place(cornerFor(frame) + QPoint(frame.left(), frame.top()), size());
    setGeometry(place);
    windowHandle()->setGeometry(place);
}

// Where the frame's top-left goes for the frame to fill the corner.
QPoint QDlgAlert::cornerFor(const QMargins &frame) const
{
    return placedPosition(availableAreaOf(this), size().grownBy(frame), Qt::AlignRight | Qt::AlignBottom);
}

// Asked even where the manager has already put it.
void QDlgAlert::placeByFrame(const QMargins &frame)
{
    lastFrame = frame;
    const QPoint corner = cornerFor(frame);
    // Asked again for where it stands, a manager may move nothing and tell nothing, and Qt would
    // keep the window where it reckoned it from a frame it did not know yet.
    if (windowHandle()->position() - QPoint(frame.left(), frame.top()) != corner)
        windowHandle()->setFramePosition(corner);
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

// Not the manager's to focus until the user clicks it: when the window the user is in goes, a
// manager would give the focus to the window shown last. Meanwhile a manager's offer of the
// keyboard (its choice, a click on the title bar, a task bar's) goes to the window it stands
// over. Offered the keyboard from the start, it keeps its title bar's buttons as it takes it
// (kwin offers a minimize button to a window that takes the keyboard).
void QDlgAlert::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        clicked = false;
        setInputModel(windowHandle(), InputModel::GloballyActive);
    }
}

bool QDlgAlert::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != windowHandle())
        return QDialog::eventFilter(watched, event);
    if (type == QEvent::MouseButtonPress && !isActiveWindow()) {
        // A manager gives no keyboard to a new window while one that it does not give the
        // keyboard itself has it (openbox).
        clicked = true;
        setInputModel(windowHandle(), InputModel::LocallyActive);
        // Asked first, as the request stamps the window with the click's time: a manager that
        // sees a window focused before it had a user's time takes the focus back (kwin).
        windowHandle()->requestActivate();
        // At the click's time: a later one would have the server ignore the manager's focus of
        // a window the click opens, which carries that time.
        giveFocus(windowHandle(), userTime());
    }
    return false;
}

// The manager's offer of the keyboard, before the user has clicked the list, goes to the window
// it stands over where the keyboard is nowhere (a manager that offers it as another window goes
// has let it go), else stays where it is: the offer that comes with a click comes before it.
// Blocked by a box, Qt hands the offer on to the box. Once clicked, the list takes the keyboard
// from the manager as it offers it: taken again here, an offer read late would take it back from
// a window focused since at the same time (the download a click on a title opens).
bool QDlgAlert::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    quint32 time = 0;
    if (eventType != "xcb_generic_event_t" || focusOfferedTo(message, &time) != windowHandle() || !isVisible()
        || QApplication::activeModalWidget())
        return false;
    QWindow *over = windowHandle()->transientParent();
    if (!clicked && over && over->isVisible() && isViewable(over) && !windowWithTheFocus() && !anotherProgramActive())
        giveFocus(over, time);
    return false;
}

void QDlgAlert::closeEvent(QCloseEvent *event)
{
    tblAlertList->setRowCount(0);
    QDialog::closeEvent(event);
}
