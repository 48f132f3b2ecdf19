#pragma once
// ui/Controls.h — the widgets that stand for a template's control classes.

#include <QFont>
#include <QString>

#include "ui/DialogTemplate.h"

class QWidget;

// The widget for one control, placed in pixels, with its caption and flags.
QWidget* CreateControl(const ControlTemplate& control, QWidget* parent);

// The template's font at the screen's scale; "SimSun" for Chinese.
QFont ScreenFont(const DialogTemplate& dialog);

// Text of buttons, labels, edits and group boxes; empty for anything else.
// A label's text that its box would cut off is set in a smaller font.
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// The base font, or the largest smaller one down to minPixels, in which text
// fits on one line of width px: a name or message shows whole.
QFont FitLineFont(const QString& text, const QFont& base, int width, int minPixels);

// Makes the installed fonts answer for the names the screens ask for.
void InstallFontSubstitutes();
