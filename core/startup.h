#pragma once

// Start-up steps of the program, in the order main runs them.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QApplication;
class QTranslator;
class QWidget;

// UTF-8 as the codec for the locale.
void setUtf8LocaleCodec();

// Chinese families tried when the program folder has no "font.ttc": a font that Linux
// desktops carry first, then those of Windows.
QStringList fallbackFontFamilies();

// "font.ttc" of the folder when it registers and names a family (the application font
// only; getAppFont stays a default font), else the fallback families at 11 points, which
// become both the application font and getAppFont.
void installAppFont(const QString &appDir);

// "skin.qss" of the folder as the application's style sheet; false when it is missing.
bool installStyleSheet(QApplication *app, const QString &appDir);

// "qt_zh_CN.qm" of the folder (which pulls in the qt*_zh_CN.qm files it names from the same
// folder), installed on the application; false when it did not load.
bool installTranslator(QApplication *app, const QString &appDir);

// Where a window of the given frame size goes in the available area: the half of the
// free width and height, the area's origin not added.
QPoint centredPosition(const QRect &available, const QSize &frame);

// Moves a shown window to centredPosition on screen 1, or the primary screen.
void centreWindow(QWidget *window);
