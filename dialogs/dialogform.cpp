#include "dialogform.h"

#include "globalstate.h"

#include <QIcon>
#include <QMessageBox>

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 27;
constexpr int kButtonStep = 35;

QPushButton *addButton(QDialog *dialog, const FormButton &form, int x, int y)
{
    auto *button = new QPushButton(form.text, dialog);
    button->setObjectName(QLatin1String(form.objectName));
    button->setGeometry(x, y, kButtonWidth, kButtonHeight);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, dialog, form.onClick);
    return button;
}

} // namespace

void initDialog(QDialog *dialog, const QString &title)
{
    dialog->setWindowTitle(title);
    dialog->setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    dialog->setModal(true);
    dialog->setFixedSize(dialog->size());
    const QFont font = getAppFont();
    for (QWidget *widget : dialog->findChildren<QWidget *>())
        widget->setFont(font);
}

QListWidget *buildListForm(QDialog *dialog, const char *listName, const QSize &size,
                           const QVector<FormButton> &top, const QVector<FormButton> &bottom)
{
    dialog->resize(size);
    const int buttonX = size.width() - kMargin - kButtonWidth;
    auto *list = new QListWidget(dialog);
    list->setObjectName(QLatin1String(listName));
    list->setGeometry(kMargin, kMargin, buttonX - 2 * kMargin + 1, size.height() - 2 * kMargin);
    for (int i = 0; i < top.size(); ++i)
        addButton(dialog, top.at(i), buttonX, kMargin + i * kButtonStep);
    const int bottomY = size.height() - kMargin - kButtonHeight;
    for (int i = 0; i < bottom.size(); ++i)
        addButton(dialog, bottom.at(i), buttonX, bottomY - (bottom.size() - 1 - i) * kButtonStep);
    return list;
}

QListWidgetItem *currentItemOrTell(QWidget *parent, QListWidget *list, const QString &text)
{
    QListWidgetItem *item = list->currentItem();
    if (item && item->isSelected())
        return item;
    showBox(parent, QMessageBox::Information, QStringLiteral("注意"), text);
    return nullptr;
}

QMessageBox::StandardButton showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    if (box.exec() == -1 || !box.clickedButton())
        return QMessageBox::Cancel;
    return box.standardButton(box.clickedButton());
}

QString currentKeyOrTell(QWidget *parent, QListWidget *list, const QString &text)
{
    QListWidgetItem *item = currentItemOrTell(parent, list, text);
    return item ? item->data(Qt::UserRole).toString() : QString();
}
