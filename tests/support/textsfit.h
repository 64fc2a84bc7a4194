#pragma once

// Whether every text of a window fits its control as painted: each label's text (the visible text
// of a rich-text label), each button's and check box's text, measured with the control's own font
// metrics against the room the style gives the text. A word-wrapped label must fit its height.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyleOptionButton>
#include <QTextDocument>

// "dialog/object: needs N px, has M px" for each text that does not fit.
inline QStringList textsCut(QWidget *window)
{
    QStringList cut;
    const QString where = window->objectName() + '/';
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(window) || label->objectName().startsWith("qt_"))
            continue;
        QString shown = label->text();
        if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(shown))) {
            QTextDocument doc;
            doc.setHtml(shown);
            shown = doc.toPlainText();
        }
        const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        if (label->wordWrap()) {
            const int need = label->heightForWidth(label->width());
            if (need > label->height())
                cut << QString("%1%2: needs %3 px high, has %4").arg(where, label->objectName()).arg(need).arg(label->height());
            continue;
        }
        int need = 0;
        for (const QString &line : shown.split('\n'))
            need = qMax(need, label->fontMetrics().horizontalAdvance(line));
        const int lines = shown.count('\n') + 1;
        if (need > room.width() || lines * label->fontMetrics().height() > room.height() + 2)
            cut << QString("%1%2 \"%3\": needs %4 px, has %5").arg(where, label->objectName(), shown).arg(need).arg(room.width());
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty() || !button->isVisibleTo(window) || button->objectName().startsWith("qt_"))
            continue;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox *>(button))
            element = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<QRadioButton *>(button))
            element = QStyle::SE_RadioButtonContents;
        else if (!qobject_cast<QPushButton *>(button))
            continue;
        const int room = button->style()->subElementRect(element, &option, button).width();
        QString text = button->text();
        text.remove(QRegularExpression("&(?!&)"));
        const int need = button->fontMetrics().horizontalAdvance(text)
                         + (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
        if (need > room)
            cut << QString("%1%2 \"%3\": needs %4 px, has %5").arg(where, button->objectName(), button->text()).arg(need).arg(room);
    }
    return cut;
}
