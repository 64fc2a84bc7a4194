#include "qdlghotrating.h"

QDlgHotRating::QDlgHotRating(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("热门评级"));
}
