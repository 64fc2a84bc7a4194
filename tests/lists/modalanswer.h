#pragma once

// Answers the modal dialogs a slot opens while it runs: every message box is recorded and
// closed with its default button, an input dialog gets the text given (or is cancelled), a
// file dialog gets the path given (or is cancelled).

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

struct ShownBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString focusAfter; // class name of the widget given the focus after the box closed
};

class ModalAnswer : public QObject
{
public:
    ModalAnswer()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start();
    }

    // The answer to the next input or file dialog; a null text cancels it.
    void setInput(const QString &text) { m_input = text; }

    QList<ShownBox> boxes;
    QString inputLabel;
    QString inputTitle;
    QString fileCaption;
    QString fileProposed;

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->windowTitle(), box->text(), box->icon(), QString()});
            box->done(QMessageBox::Ok);
        } else if (auto *input = qobject_cast<QInputDialog *>(modal)) {
            inputTitle = input->windowTitle();
            inputLabel = input->labelText();
            if (m_input.isNull()) {
                input->reject();
            } else {
                input->setTextValue(m_input);
                input->accept();
            }
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            fileCaption = files->windowTitle();
            const QStringList selected = files->selectedFiles();
            fileProposed = selected.value(0);
            if (m_input.isNull()) {
                files->reject();
            } else {
                files->selectFile(m_input);
                static_cast<QDialog *>(files)->accept();
            }
        }
    }

    QTimer m_timer;
    QString m_input;
};
