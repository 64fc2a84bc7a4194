#pragma once

// Helpers shared by the dialog tests: a fresh data.s3 with a few stocks, ratings, reports and
// analysts, and a script that plays the modal dialogs a test expects.

#include "analystcache.h"
#include "databaseschema.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "stockcache.h"
#include "userliststore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

// Stocks of the lookup: (code, name, spelling, delisted).
inline bool insertStock(const QString &code, const QString &name, const QString &spell, int quit = 0)
{
    return execSql(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Spell, Stk_Quit) values (?, ?, ?, ?)"),
                   {code, name, spell, quit});
}

inline bool insertAnalyst(int id, int uid, const QString &name, const QString &inst, const QString &update)
{
    return execSql(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) "
                                  "values (?, ?, ?, ?, 1, ?)"),
                   {id, uid, name, inst, update});
}

// The embedded configuration and an empty data.s3 in dir, opened as "MainDB"; the user lists
// emptied and their stamps cleared.
inline bool prepareDialogDatabase(const QTemporaryDir &dir)
{
    loadDefaultConfig();
    resetUserLists();
    return initMainDatabase(dir.path());
}

// Plays the modal dialogs a test expects, in order. Each step names a class (QMessageBox,
// QInputDialog, a dialog of the program) and what to do with the next modal widget of it; the
// step runs from the event loop, so it may open further modal dialogs. A modal widget that no
// step expects is recorded in unexpected and rejected, so a test never hangs on one.
class ModalScript
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text; // a message box's text or an input dialog's label
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    ModalScript()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(10);
    }

    template <class T>
    ModalScript &then(std::function<void(T *)> act)
    {
        m_steps.append({T::staticMetaObject.className(), [act](QWidget *w) { act(static_cast<T *>(w)); }});
        return *this;
    }

    // The next input dialog: enter text and press OK (or cancel it).
    ModalScript &type(const QString &text)
    {
        return then<QInputDialog>([text](QInputDialog *d) {
            d->setTextValue(text);
            d->accept();
        });
    }
    ModalScript &cancelInput()
    {
        return then<QInputDialog>([](QInputDialog *d) { d->reject(); });
    }
    // The next message box: press the button (its default button when it lacks it).
    ModalScript &answer(QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        return then<QMessageBox>([button](QMessageBox *box) {
            QAbstractButton *b = box->button(button);
            if (!b)
                b = box->defaultButton();
            if (b)
                b->click();
            else
                box->reject();
        });
    }

    bool finished() const { return m_steps.isEmpty() && m_running == 0; }
    QList<Seen> seen;
    QStringList unexpected;

    // "title/text" of every message box seen, in order.
    QStringList boxes() const
    {
        QStringList out;
        for (const Seen &s : seen)
            if (s.className == QLatin1String("QMessageBox"))
                out << s.title + QLatin1Char('/') + s.text;
        return out;
    }

private:
    struct Step
    {
        const char *className;
        std::function<void(QWidget *)> act;
    };

    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled || !modal->isVisible())
            return;
        m_handled = modal;
        Seen s{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), QString()};
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            s.text = box->text();
            s.icon = box->icon();
        } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
            s.text = input->labelText();
        }
        seen.append(s);
        if (m_steps.isEmpty() || !modal->inherits(m_steps.first().className)) {
            unexpected << s.className + QLatin1Char(' ') + s.title + QLatin1Char(' ') + s.text;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        const Step step = m_steps.takeFirst();
        ++m_running;
        // From a timer of its own: this one must stay free to serve the dialogs the step opens.
        QTimer::singleShot(0, modal, [this, step, modal] {
            step.act(modal);
            --m_running;
        });
    }

    QList<Step> m_steps;
    int m_running = 0;
    QTimer m_timer;
    QPointer<QWidget> m_handled;
};

template <class T>
T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

inline QStringList rowTexts(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QStringList rowKeys(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->data(Qt::UserRole).toString();
    return out;
}
