#pragma once

#include <QLabel>

#include <memory>

class QTextDocument;

// A label in a table cell.
//
// Its rich text paints from a document of its own, laid out once for the text, font and width:
// QLabel lays its document out five times over on the first paint of a text (once per setting it
// gives it), most of the cost of painting a page of rows. QLabel's own document still serves the
// links under the pointer, made when the pointer first moves over the label. Plain text,
// pictures and a label with a frame, an indent or selectable text paint as QLabel paints them.
// The program's style sheet gives cell labels no colours: they take theirs from their palette.
class QCellLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QCellLabel(QWidget *parent = nullptr);
    ~QCellLabel() override;

    // The picture of the file, or none for an empty path: a label kept from the page before
    // keeps no picture of it.
    void setPicture(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // False when the label shows no rich text of its own to paint.
    bool paintRichText();

    // The file of the picture last given and that picture's key: the same file again keeps the
    // picture while the label still shows it.
    QString m_picturePath;
    qint64 m_pictureKey = 0;

    // The rich text laid out, and what it was laid out for.
    std::unique_ptr<QTextDocument> m_document;
    QString m_documentText;
    QFont m_documentFont;
    int m_documentWidth = -1;
    int m_documentAlignment = 0;
};
