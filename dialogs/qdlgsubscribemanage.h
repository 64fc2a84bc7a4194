#pragma once

#include "namedlist.h"

#include <QDialog>

class QListWidget;

// Lists the report subscriptions by name and creates, modifies (in the condition editor), renames
// and removes them. Each change goes to the user-list store at once (which marks the subscriptions
// for upload), then the list is refilled and the side bar asked to reload.
class QDlgSubscribeManage : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgSubscribeManage(QWidget *parent = nullptr);

    void loadSubscribeList();
    // Runs the condition editor on a condition text; the new text, or empty when it was cancelled.
    QString editSubscribe(const QString &json);

signals:
    void loadSubscribeListOfSidebar();

private slots:
    void newSubscribe();
    void modifySubscribe();
    void renameSubscribe();
    void removeSubscribe();

private:
    void refresh();

    QListWidget *lstSubscribe;
    NamedListKind kind;
};
