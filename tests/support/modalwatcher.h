#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTimer>

// Answers message boxes as they come up, so a test can run code that opens one modally:
// every 20 ms the active modal widget is looked at; a QMessageBox there is recorded (title,
// text, icon) and closed with the button chosen by answer (its default button when it has
// no such button).
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
        QMessageBox::Icon icon;
    };

    explicit ModalWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok) : m_answer(answer)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
    }

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    int count() const { return m_boxes.size(); }
    const QList<Box> &boxes() const { return m_boxes; }
    Box last() const { return m_boxes.isEmpty() ? Box{QString(), QString(), QMessageBox::NoIcon} : m_boxes.last(); }
    void clear() { m_boxes.clear(); }

private:
    void look()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_handled || !box->isVisible())
            return;
        m_handled = box;
        m_boxes.append(Box{box->windowTitle(), box->text(), box->icon()});
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->defaultButton();
        if (button)
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    QList<Box> m_boxes;
    QPointer<QMessageBox> m_handled;
};
