#pragma once

#include <QDialog>

class QNetworkAccessManager;
class QWebView;

// The web page dialog: one page in an embedded browser under the title "《Lerova》". Its own
// network manager follows the user's proxy settings, read again at every load; the page's text
// is kept from being copied (no context menu, Ctrl+C swallowed). Kept by the main window for
// the whole run; closing only hides it.
class QDlgWebview : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgWebview(QWidget *parent = nullptr);

    // Applies the proxy settings and loads getWebviewUrl().
    void load();

    QWebView *webView() const { return view; }
    QNetworkAccessManager *networkAccessManager() const { return networkManager; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWebView *view = nullptr;
    QNetworkAccessManager *networkManager = nullptr;
};
