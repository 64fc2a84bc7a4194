#pragma once

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QStringList>

// The stock lookups that the keys typed into the main window open: the code each held as it
// closed.
struct LookupsClosed : QObject
{
    LookupsClosed() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched->inherits("QDlgGenius"))
            codes << watched->findChild<QLineEdit *>(QStringLiteral("edtKeyword"))->text();
        return false;
    }
    QStringList codes;
};
