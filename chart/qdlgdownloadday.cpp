#include "qdlgdownloadday.h"

#include "chartlog.h"
#include "daypricestore.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qhttpclient.h"
#include "serviceapi.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QJsonArray>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

QDlgDownloadDay::QDlgDownloadDay(QWidget *parent)
    : QDialog(parent)
{
    init();
}

void QDlgDownloadDay::init()
{
    setObjectName(QStringLiteral("QDlgDownloadDay"));
    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    prgDownload = new QProgressBar(this);
    prgDownload->setObjectName(QStringLiteral("prgDownload"));
    verticalLayout->addWidget(lblProgress);
    verticalLayout->addWidget(prgDownload);
    resize(401, 67);
    setFixedSize(size());

    setWindowTitle(QStringLiteral("更新日线数据..."));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setModal(true);
    lblProgress->setFont(getAppFont());
    prgDownload->setFont(getAppFont());
    prgDownload->setRange(0, 100);
    prgDownload->setValue(0);
    prgDownload->setTextVisible(true);
    prgDownload->setAlignment(Qt::AlignHCenter);

    client = new QHttpClient(this);
    connect(client, &QHttpClient::downloadProgress, this, &QDlgDownloadDay::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, &QDlgDownloadDay::downloadFinished);
}

void QDlgDownloadDay::downloadDay(const QString &stockCode)
{
    if (stockCode == requestedCode)
        return;
    requestedCode = stockCode;
    if (isBusy()) {
        // The stock in hand will be stored anyway; only another one needs to wait.
        pendingCode = stockCode == activeCode ? QString() : stockCode;
        return;
    }
    start(stockCode);
}

void QDlgDownloadDay::start(const QString &code)
{
    if (!isPlainStockCode(code)) {
        qCWarning(lcChart) << "day prices not fetched for a code that is no file name:" << code;
        fail(code, QStringLiteral("股票代码无效，不能更新日线数据！(%1)").arg(code));
        return;
    }
    activeCode = code;
    show();
    raise();
    lblProgress->setText(QStringLiteral("下载日线数据..."));
    prgDownload->setRange(0, 100);
    prgDownload->setValue(0);
    if (getProxyEnable() > 0)
        client->setHttpProxy(getProxyHost(), quint16(getProxyPort()), getProxyUser(), getProxyPassword());
    else
        client->setNoProxy();
    if (!client->get(getDayUrl() + QLatin1Char('/') + code, true)) {
        activeCode.clear();
        hide();
        fail(code, QStringLiteral("日线数据下载未能开始，请稍后重新尝试！"));
    }
}

void QDlgDownloadDay::downloadProgress(double percent)
{
    const int value = int(percent);
    if (value >= prgDownload->minimum() && value <= prgDownload->maximum())
        prgDownload->setValue(value);
}

void QDlgDownloadDay::downloadFinished(int code, QByteArray body)
{
    const QString stock = activeCode;
    if (stock.isEmpty())
        return;
    bool stored = false;
    if (code != 0)
        fail(stock, QStringLiteral("日线数据下载遇到网络问题，请重新尝试或与我们联系！(ErrorCode:%1)").arg(code));
    else
        stored = importDayPrice(stock, bodyText(body));
    activeCode.clear();
    hide();
    if (stored)
        emit freshChart();
    startPending();
}

bool QDlgDownloadDay::importDayPrice(const QString &code, const QString &text)
{
    QJsonArray rows;
    if (!parseDayPackage(text, &rows)) {
        qCWarning(lcChart) << "day prices of" << code << "are no package:" << text.size() << "characters";
        fail(code, QStringLiteral("日线数据无效，请重新尝试或与我们联系！"));
        return false;
    }
    const QString path = dayPriceFilePath(code);
    if (!makeDirPath(QFileInfo(QFileInfo(path).absolutePath()))) {
        fail(code, QStringLiteral("不能创建日线数据目录！"));
        return false;
    }
    lblProgress->setText(QStringLiteral("更新日线数据..."));
    prgDownload->setRange(0, 0);
    prgDownload->setValue(0);

    // Each import has a connection of its own, so nothing that runs while it lets events through
    // (a chart refresh reads under "PriceDB") can close or reuse it.
    const QString connection = QStringLiteral("PriceDB/import/%1").arg(++importSerial);
    const auto progress = [this](int i, int n) {
        if (prgDownload->maximum() != n)
            prgDownload->setRange(0, n);
        // Often enough for a live bar and a responsive window (a row takes microseconds),
        // rarely enough that the events do not cost more than the rows.
        if (i % 64 == 0) {
            prgDownload->setValue(i);
            QCoreApplication::processEvents();
        }
    };
    // existing: the file was there before, so it is checked first.
    const auto importInto = [&](bool existing) {
        DayImportResult result;
        {
            QSqlDatabase db = sqliteConnection(connection, path);
            if (existing && !isSoundPriceFile(db))
                result.error = QStringLiteral("damaged file");
            else
                result = importDayPrices(db, rows, progress);
        }
        closeSqliteConnection(connection);
        return result;
    };
    const bool existed = QFile::exists(path);
    DayImportResult result = importInto(existed);
    // A file that cannot take the days (cut short, overwritten, not a database) would fail
    // every showing of the stock: it is kept aside and the days go into a new one.
    if (!result.ok && existed) {
        qCWarning(lcChart) << "day price file of" << code << "set aside:" << result.error;
        if (setAsideDayPriceFile(path))
            result = importInto(false);
    }
    if (!result.ok) {
        qCWarning(lcChart) << "day prices of" << code << "not stored:" << result.error;
        fail(code, QStringLiteral("日线数据保存失败，请重新尝试或与我们联系！"));
        return false;
    }
    qCDebug(lcChart) << "day prices of" << code << ":" << result.inserted << "new," << result.updated
                     << "changed," << result.skipped << "skipped";
    return true;
}

void QDlgDownloadDay::fail(const QString &code, const QString &text)
{
    // Forgotten, so that the chart's next request for this stock tries again.
    if (requestedCode == code)
        requestedCode.clear();
    QMessageBox::critical(this, QStringLiteral("下载失败"), text, QMessageBox::Ok);
}

void QDlgDownloadDay::startPending()
{
    // A refresh run by freshChart() may have started a request of its own; the waiting one
    // then starts after that.
    if (pendingCode.isEmpty() || isBusy())
        return;
    const QString code = pendingCode;
    pendingCode.clear();
    start(code);
}

void QDlgDownloadDay::mousePressEvent(QMouseEvent *event)
{
    pressPos = event->globalPos();
    windowOrigin = event->globalPos() - event->pos();
}

void QDlgDownloadDay::mouseMoveEvent(QMouseEvent *event)
{
    move(windowOrigin + (event->globalPos() - pressPos));
}
