#include "qdlgwebview.h"

#include "globalstate.h"

#include <QKeyEvent>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QVBoxLayout>
#include <QWebPage>
#include <QWebView>

QDlgWebview::QDlgWebview(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgWebview"));
    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));
    view = new QWebView(this);
    view->setObjectName(QStringLiteral("webView"));
    view->setUrl(QUrl(QStringLiteral("about:blank")));
    layout->addWidget(view);

    setWindowTitle(QStringLiteral("《Lerova》"));
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    setGeometry(0, 0, 970, 590);
    setWindowFlags(Qt::Window | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    networkManager = new QNetworkAccessManager(this);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->installEventFilter(this);
}

void QDlgWebview::load()
{
    QNetworkProxy proxy(QNetworkProxy::NoProxy);
    if (getProxyEnable() > 0) {
        proxy = QNetworkProxy(QNetworkProxy::HttpProxy, getProxyHost(), quint16(getProxyPort()),
                              getProxyUser(), getProxyPassword());
    }
    networkManager->setProxy(proxy);
    view->page()->setNetworkAccessManager(networkManager);
    view->load(QUrl(getWebviewUrl()));
}

bool QDlgWebview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Only the plain combination: Ctrl+Shift+C and the like reach the page.
        if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_C)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
