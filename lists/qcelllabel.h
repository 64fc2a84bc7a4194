#pragma once

#include <QLabel>

// A label in a table cell. Rich text is laid out while the label paints, and the layout asks
// for one more paint of the label (after its parent beneath it), a second pass over a whole
// page for what this paint has just drawn: that request is dropped.
class QCellLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QCellLabel(QWidget *parent = nullptr);

    // The picture of the file, or none for an empty path: a label kept from the page before
    // keeps no picture of it.
    void setPicture(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The file of the picture last given and that picture's key: the same file again keeps the
    // picture while the label still shows it.
    QString m_picturePath;
    qint64 m_pictureKey = 0;
};
