#include "orderhistory.h"

#include "jsonscript.h"

#include <QStringList>
#include <QVector>

namespace {

struct History
{
    QStringList requests;
    QVector<int> pages;
};

History &history()
{
    static History h;
    return h;
}

} // namespace

int getOrderHistoryCount()
{
    return history().requests.size();
}

QString getOrderHistoryTop()
{
    const History &h = history();
    return h.requests.isEmpty() ? QString() : h.requests.last();
}

int getOrderHistoryTopPage()
{
    const History &h = history();
    return h.pages.isEmpty() ? 0 : h.pages.last();
}

QString getOrderHistoryTopId()
{
    const QString top = getOrderHistoryTop();
    if (top.isEmpty())
        return QString();
    JsonScript json;
    return jsonText(json.parse(top), QStringLiteral("id"));
}

void pushOrderHistory(const QString &request, int page)
{
    History &h = history();
    if (!h.requests.isEmpty() && request == h.requests.last()) {
        h.pages.last() = page;
        return;
    }
    // On an empty history only an empty text at page 0 matches the "newest" entry, and
    // nothing would change; anything else is appended.
    if (h.requests.isEmpty() && request.isEmpty() && page == 0)
        return;
    h.requests.append(request);
    h.pages.append(page);
}

void popOrderHistory()
{
    History &h = history();
    if (h.requests.isEmpty())
        return;
    h.requests.removeLast();
    h.pages.removeLast();
}

void removeOldestOrderHistory()
{
    History &h = history();
    if (h.requests.isEmpty())
        return;
    h.requests.removeFirst();
    h.pages.removeFirst();
}
