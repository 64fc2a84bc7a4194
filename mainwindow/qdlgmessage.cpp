#include "qdlgmessage.h"

#include "qmessageboard.h"
#include "serviceapi.h"
#include "windowlayer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

QDlgMessage::QDlgMessage(QWidget *parent)
    : QDialog(parent)
{
    // A frameless dialog that stays on top, not a splash screen: a manager may centre a splash
    // screen and keep it where it put it (KDE's does). As the main window's dialog it also
    // stays above that window when it fills the screen. It takes no keyboard, as a splash
    // screen did not.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setFixedSize(600, 24);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("lblLogo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/logo/logo.png")));
    logo->setFixedSize(20, 20);
    logo->setScaledContents(true);
    layout->addWidget(logo);
    board = new QMessageBoard(this);
    board->setObjectName(QStringLiteral("messageBoard"));
    layout->addWidget(board);
    connect(board, &QMessageBoard::clicked, this, &QDlgMessage::messageClicked);
}

void QDlgMessage::setVisible(bool visible)
{
    if (visible) {
        board->startScroll();
        // Not in the task bar, as a splash screen is not. Nor offered the keyboard by the manager
        // as another window goes (kwin, metacity would, and leave it nowhere).
        if (!isVisible()) {
            winId();
            skipTaskbarBeforeMapping(windowHandle());
            setInputModel(windowHandle(), InputModel::NoInput);
        }
    } else {
        board->stopScroll();
    }
    QDialog::setVisible(visible);
}

void QDlgMessage::addMessage(const QString &reportId, const QString &title,
                             const QString &institution, const QString &type,
                             const QDateTime &entryTime, const QDateTime &publishDate)
{
    board->addMessage(reportId, title, institution, type, entryTime, publishDate);
}

void QDlgMessage::messageClicked()
{
    const QString reportId = board->getHoverReportId();
    if (reportId.isEmpty())
        return;
    emit openFile(reportId, getLocalFilePath(board->getHoverFileName()));
}

void QDlgMessage::mousePressEvent(QMouseEvent *event)
{
    pressGlobalPos = event->globalPos();
    // The position move() takes, which counts a window frame where there is one.
    pressWindowPos = pos();
}

void QDlgMessage::mouseMoveEvent(QMouseEvent *event)
{
    move(pressWindowPos + (event->globalPos() - pressGlobalPos));
}
