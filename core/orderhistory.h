#pragma once

// Navigation history of the lists shown in the main window: list request texts with the
// page shown for each, newest last. GUI thread only. The caller keeps the depth within
// getMaxOrderHistoryCount() by calling removeOldestOrderHistory() after a push.

#include <QString>

int getOrderHistoryCount();
QString getOrderHistoryTop();
int getOrderHistoryTopPage();
QString getOrderHistoryTopId();

// The same text as the newest entry only updates that entry's page.
void pushOrderHistory(const QString &request, int page);
void popOrderHistory();
void removeOldestOrderHistory();
