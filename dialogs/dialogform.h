#pragma once

#include <QDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QVector>

#include <functional>

// What every dialog of this library does once its widgets exist: title, the program's icon, modal,
// fixed at its present size, and the application font on every widget in it.
void initDialog(QDialog *dialog, const QString &title);

// One button of a list form: object name, text and what a click does.
struct FormButton
{
    const char *objectName;
    QString text;
    std::function<void()> onClick;
};

// The form the list editors share: a list filling the left side, the top buttons in a column on its
// right from the top down, the bottom buttons in that column ending level with the list's lower edge.
// The dialog gets the given size; initDialog is left to the caller.
QListWidget *buildListForm(QDialog *dialog, const char *listName, const QSize &size,
                           const QVector<FormButton> &top, const QVector<FormButton> &bottom);

// The row the user chose, or null after showing the information box "注意" with text. A row is
// chosen when it is current and selected: a list that gets the focus makes its first row current
// without selecting it, and that row was never chosen.
QListWidgetItem *currentItemOrTell(QWidget *parent, QListWidget *list, const QString &text);

// A message box whose text is shown as plain text, so a name holding markup reads as typed; the
// answer, or Ok for a box with the one button Ok.
QMessageBox::StandardButton showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The key (user data) of the list's current row, or empty after that box.
QString currentKeyOrTell(QWidget *parent, QListWidget *list, const QString &text);
