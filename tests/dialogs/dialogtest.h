#pragma once

// Helpers shared by the dialog tests: a fresh data.s3 with a few stocks and analysts, and a script
// that plays the modal dialogs a test expects.

#include "analystcache.h"
#include "databaseschema.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "stockcache.h"
#include "userliststore.h"

#include <QApplication>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <functional>

inline bool insertStock(const QString &code, const QString &name, const QString &spell, int quit = 0)
{
    return execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Spell, Stk_Quit) values (?, ?, ?, ?)",
                   {code, name, spell, quit});
}

inline bool insertAnalyst(int id, int uid, const QString &name, const QString &inst, const QString &update = "2026-06-01")
{
    return execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) "
                   "values (?, ?, ?, ?, 1, ?)",
                   {id, uid, name, inst, update});
}

// The embedded configuration, the user lists emptied and an empty data.s3 in dir opened as "MainDB".
inline bool prepareDialogDatabase(const QTemporaryDir &dir)
{
    loadDefaultConfig();
    resetUserLists();
    return initMainDatabase(dir.path());
}

// Plays the modal dialogs a test expects, in order: each step names a class and what to do with the
// next modal widget of it. A step runs from the event loop, so it may open further modal dialogs. A
// modal widget no step expects is recorded in unexpected and rejected, so a test never hangs. The
// modal widgets already up when the script starts (the dialog under test) are the test's own and
// are left alone: the script may look while none of its own is up, as when a step's box has just
// closed.
class ModalScript
{
public:
    ModalScript()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->isModal())
                m_present << window;
        }
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(10);
    }

    template <class T>
    ModalScript &then(std::function<void(T *)> act)
    {
        m_steps.append({T::staticMetaObject.className(), [act](QWidget *w) { act(static_cast<T *>(w)); }});
        return *this;
    }
    // The next input dialog: enter text and press OK; a null text cancels it.
    ModalScript &type(const QString &text)
    {
        return then<QInputDialog>([text](QInputDialog *d) {
            d->setTextValue(text);
            text.isNull() ? d->reject() : d->accept();
        });
    }
    // The next message box: press the button (its default button when it lacks it).
    ModalScript &answer(QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        return then<QMessageBox>([button](QMessageBox *box) {
            QAbstractButton *b = box->button(button);
            b = b ? b : box->defaultButton();
            b ? b->click() : box->reject();
        });
    }

    bool done() const { return m_steps.isEmpty() && m_running == 0 && unexpected.isEmpty(); }
    QStringList seen;      // "title/text" of message boxes and input dialogs, the title of others
    QStringList boxes;     // "title/text" of the message boxes only
    QStringList unexpected;

private:
    using Step = QPair<const char *, std::function<void(QWidget *)>>;

    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled || !modal->isVisible() || m_present.contains(modal))
            return;
        m_handled = modal;
        QString s = modal->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            boxes << (s = modal->windowTitle() + '/' + box->text());
        else if (auto *input = qobject_cast<QInputDialog *>(modal))
            s = modal->windowTitle() + '/' + input->labelText();
        seen << s;
        if (m_steps.isEmpty() || !modal->inherits(m_steps.first().first)) {
            unexpected << s;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        const Step step = m_steps.takeFirst();
        ++m_running;
        // From a timer of its own: this one must stay free to serve the dialogs the step opens.
        QTimer::singleShot(0, modal, [this, step, modal] {
            step.second(modal);
            --m_running;
        });
    }

    QList<Step> m_steps;
    int m_running = 0;
    QTimer m_timer;
    QPointer<QWidget> m_handled;
    QList<QPointer<QWidget>> m_present;
};

#define QVERIFY_SCRIPT(script) QVERIFY2((script).done(), qPrintable("unexpected: " + (script).unexpected.join("; ")))

template <class T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

inline void click(QObject *dialog, const char *button)
{
    child<QPushButton>(dialog, button)->click();
}

// Each row's text, or with role Qt::UserRole each row's key.
inline QStringList rowTexts(QListWidget *list, int role = Qt::DisplayRole)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->data(role).toString();
    return out;
}

// Makes the row of that key (user data), else of that text, current; none for an empty text.
inline void chooseRow(QListWidget *list, const QString &key)
{
    int row = rowTexts(list, Qt::UserRole).indexOf(key);
    row = row < 0 ? rowTexts(list).indexOf(key) : row;
    list->setCurrentRow(key.isEmpty() ? -1 : row);
}
