#pragma once
// ui/PictureSet.h — the pictures of the screens, drawn by code.
//
// Every picture has a role and one or two identifiers. A switched picture has a
// normal (dark on white) and an inverted (light on black) variant; both of its
// identifiers name the same picture, and the configuration's colourScheme picks
// the variant. A fixed picture (replay, running animation, badges) is drawn
// once on its own background or on transparency and serves both schemes.

#include <QPixmap>

#include <span>

enum class PictureRole {
    SnrQuality,     // index 0 poor, 1 medium, 2 good
    SignalBars,     // index 0-10 bars of radio reception
    NoReception,    // blinks in place of the bars
    BatteryBars,    // index 0-5 bars; also the charging animation frames 1-5
    BatteryBlank,   // blink partner of 0 bars
    Station,        // index: station code 0 Base, 1 Red, 2 Blue, 3 Yellow
    Legend,         // index: LegendKind of a trace's band
    LegendSecond,   // second legend picture of a trace (notch)
    MainScreen,     // index 0-6: the other fixed pictures of the main screen
    CloseButton,    // index 0 normal, 1 pressed
    Busy,           // shown while a file screen works
    Replay,         // fixed
    RunningFrame,   // index 0-6, fixed
    Badge,          // index 0-5 for 260, 262-266, fixed
};

// Band kind of a trace legend.
enum class LegendKind { HighCutOnly = 0, LowCutOnly = 1, Open = 2, Band = 3 };

struct PictureEntry {
    int normalId;    // identifier of the normal variant
    int invertedId;  // of the inverted one; equal to normalId for a single identifier
    PictureRole role;
    int index;       // position within the role, as commented there
    bool switched;   // false: drawn once, the same in both schemes
};

// Identifiers callers name directly.
constexpr int kPictureSnrPoor = 170;
constexpr int kPictureSnrMedium = 169;
constexpr int kPictureSnrGood = 168;
constexpr int kPictureNoReception = 186;
constexpr int kPictureBatteryBlank = 190;
constexpr int kPictureLegendSecond = 181;
constexpr int kPictureReplay = 198;
constexpr int kPictureBusy = 199;
constexpr int kPictureCloseNormal = 200;
constexpr int kPictureClosePressed = 201;
constexpr int kRunningFrameCount = 7;

// Normal identifiers of indexed pictures; out-of-range arguments are clamped
// (frames wrap).
int SignalBarsPicture(int bars);      // 0-10
int BatteryBarsPicture(int bars);     // 0-5
int StationPicture(int station);      // 0-3
int LegendPicture(LegendKind kind);
int RunningFramePicture(int frame);   // any tick count; frame mod 7

// Every picture, one row each.
std::span<const PictureEntry> PictureTable();
// The row an identifier (normal or inverted) belongs to, or nullptr.
const PictureEntry* FindPicture(int id);

// Draws one variant of a row afresh (no cache); fixed rows ignore inverted.
QPixmap DrawPicture(const PictureEntry& entry, bool inverted);

// Drawing and the cache need a QGuiApplication; the cache is released when the
// application goes.

// The picture of an identifier in the current colour scheme; a null pixmap for
// an unknown identifier. The reference stays
// valid until ReloadPictures releases it; copy the pixmap to keep it.
const QPixmap& Picture(int id);
// One variant regardless of the colour scheme (gallery, tests).
const QPixmap& PictureVariant(int id, bool inverted);

// The normal identifier of the switched picture a pixmap was drawn as (in
// either scheme, also one released since), 0 for any other pixmap: a screen
// shows the current variant of what it showed when the scheme changes.
int SwitchedPictureShown(const QPixmap& pixmap);

// After a colour scheme change: releases every switched picture and draws the
// current scheme's variants; fixed pictures are kept. Does nothing when the
// scheme is the one last loaded.
void ReloadPictures();
