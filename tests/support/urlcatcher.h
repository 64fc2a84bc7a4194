#pragma once

// Stands in for the browser or the desktop's file handler: install it with
// QDesktopServices::setUrlHandler(scheme, &catcher, "open") and every URL the program opens lands
// in urls.

#include <QObject>
#include <QUrl>

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};
