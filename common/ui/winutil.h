// Window utilities: tool tips, a control's position in its parent, files
// dropped on a file field, and colour keying of bitmaps.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class QEvent;
class QLineEdit;
class QPalette;
class QWidget;

// Gives the child of pDialog whose object name is szControl the tool tip
// text (shown also while the window is inactive). Returns the control, or
// nullptr when the dialog, the name, the text or the control is missing.
QWidget* SetToolTip(QWidget* pDialog, const char* szControl, const char* szText);

// The widget's rectangle in its parent's client coordinates (the window's
// own for a top-level window). 0 without a widget.
int GetWindowPos(QWidget* pWindow, QRect* pRect);

// A file field's part of an event filter: a drag that carries a local file
// is accepted, and its drop puts the first local file's path into pField.
// true when the event was one of those (the filter then takes it).
bool UiTakeDroppedFile(QEvent* pEvent, QLineEdit* pField);

// Packed colour with red in the lowest byte, green next, blue in the third
// (0x00BBGGRR); white is 0x00FFFFFF.
unsigned ColorRef(const QColor& color);

// Colour keying: reads the bitmap as width x height pixels of 4 bytes (blue,
// green, red, a fourth byte; pixels outside the bitmap are zero), and gives
// every pixel whose colour lies within Euclidean distance uTolerance of
// uKey (tolerance^2 >= dB^2 + dG^2 + dR^2) the replacement colour and a
// fourth byte of 0 (transparent, so the replacement, usually the window's
// face colour, is what shows). Other pixels are left untouched. Returns the
// converted image (ARGB32), or a null image when the size is not positive or
// the pixel array cannot be had.
QImage SetBitmapAlpha(const QImage& bitmap, int nWidth, int nHeight, unsigned uKey, unsigned uReplacement,
                      unsigned uTolerance);

// Loads a bitmap (a Qt resource path ":/..." or a file) and returns
// SetBitmapAlpha on it; a null image when it cannot be loaded.
QImage LoadBitmapAlpha(const QString& sResource, unsigned uKey, unsigned uReplacement, unsigned uTolerance);

// Coloured text that stays readable: cLight (the colour the suite gives
// the text, chosen for a light face) on a palette whose window colour is
// light; on a dark one the palette's link colour, lightened until it
// stands out from the window colour (contrast ratio of at least 4.5).
bool UiIsDarkPalette(const QPalette& palette);
QColor UiReadableTextColor(const QColor& cLight, const QPalette& palette);
// The contrast ratio of two colours (1 to 21) by their relative luminance.
double UiContrastRatio(const QColor& a, const QColor& b);
