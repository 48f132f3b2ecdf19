#pragma once
// ui/DialogTemplate.h — a screen's layout as data.
//
// A template is text, the same in the built-in resources and in language packs:
//   caption "TEXT"
//   size W H                     dialog units; 285 x 214 fill 640 x 480 pixels
//   font NAME POINTS
//   control CLASS ID "CAPTION" X Y W H [FLAG...]
// Classes: button (owner-drawn push button), bmpbutton, static, picture,
// edit, listbox, slider, group, hotspot (a button that draws nothing).
// Flags: hidden, disabled, center, right, border, sunken. In a caption, \"
// and \\ are escapes and \n a line break.

#include <QRect>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

enum class ControlClass { Button, BmpButton, Static, Picture, Edit, ListBox, Slider, Group, Hotspot };

enum ControlFlag : unsigned {
    kFlagHidden = 1u << 0,
    kFlagDisabled = 1u << 1,
    kFlagCenter = 1u << 2,
    kFlagRight = 1u << 3,
    kFlagBorder = 1u << 4,
    kFlagSunken = 1u << 5,
};

struct ControlTemplate {
    ControlClass cls = ControlClass::Static;
    int id = 0;
    QString caption;
    QRect units;  // dialog units
    unsigned flags = 0;
};

struct DialogTemplate {
    QString caption;
    QSize units{285, 214};
    QString fontName = QStringLiteral("Arial");
    int fontPoints = 8;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int id) const;
};

// Parses a template; nothing when a line is malformed (the line number in
// *error). Bounds: a size of 1-285 x 1-214, every control inside that
// screen, at most 256 controls, fonts of 1-72 points.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, QString* error = nullptr);

// Dialog units to pixels of the 640 x 480 screen.
QRect UnitsToPixels(const QRect& units);
QSize UnitsToPixels(const QSize& units);
