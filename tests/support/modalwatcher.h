#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTimer>

// Answers message boxes as they come up, so a test can run code that opens one modally:
// every 20 ms the active modal widget is looked at; a QMessageBox there is recorded (title,
// text, icon, parent) and closed with the button chosen by answer (its default button when it
// has no such button). A modal dialog of the class given to rejectDialogsOf() is recorded
// (class name and title) and rejected; other dialogs are left alone.
//
//   ModalWatcher boxes;
//   dialog.startSomething();
//   QTRY_COMPARE(boxes.count(), 1);
//   QCOMPARE(boxes.last().text, "...");
class ModalWatcher
{
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString className;
        QWidget *parent = nullptr;
    };

    explicit ModalWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
    }

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    void rejectDialogsOf(const char *className) { m_reject = className; }
    int count() const { return m_boxes.size(); }
    const QList<Box> &boxes() const { return m_boxes; }
    Box last() const { return m_boxes.isEmpty() ? Box() : m_boxes.last(); }
    void clear() { m_boxes.clear(); }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        auto *box = qobject_cast<QMessageBox *>(modal);
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!box && !(dialog && m_reject && modal->inherits(m_reject)))
            return;
        if (modal == m_handled || !modal->isVisible())
            return;
        m_handled = modal;
        m_boxes.append(Box{modal->windowTitle(), box ? box->text() : QString(),
                           box ? box->icon() : QMessageBox::NoIcon,
                           QString::fromLatin1(modal->metaObject()->className()), modal->parentWidget()});
        if (!box) {
            dialog->reject();
            return;
        }
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->defaultButton();
        if (button)
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton m_answer;
    const char *m_reject = nullptr;
    QTimer m_timer;
    QList<Box> m_boxes;
    QPointer<QWidget> m_handled;
};

// A box or lookup the keys never reach runs its own loop inside the test's waiting, which would
// then wait for good. Armed at the start of a row, it closes whatever modal window is still open
// a minute later, so that the row fails instead of hanging.
class ModalLeftOpen
{
public:
    ModalLeftOpen()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            while (QWidget *modal = QApplication::activeModalWidget()) {
                qWarning("%s \"%s\" still open after a minute: closed", modal->metaObject()->className(),
                         qPrintable(modal->windowTitle()));
                modal->hide();
            }
        });
    }
    void arm() { m_timer.start(60000); }
    void disarm() { m_timer.stop(); }

private:
    QTimer m_timer;
};
