#pragma once
// ui/FancyButton.h — the owner-drawn push button every screen uses: a filled
// outline with cut or rounded corners, colours by state and colour scheme, and
// a caption shrunk until it fits. The geometry lives in pure functions so that
// it is tested without painting.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPolygon>
#include <QRect>
#include <QString>

// What a button shows; a check state of 1 shows as Pressed.
enum class ButtonState { Normal, Pressed, Disabled };

// Pen (2 px), fill and caption colour of one state.
struct FancyColours {
    QColor pen;
    QColor fill;
    QColor caption;
};

// Where the caption goes and in which font.
struct CaptionLayout {
    QFont font;     // the fitted font, pixel-sized
    QRect textRect; // the word-wrapped block, centred vertically, inside the item
    QString text;   // the caption as drawn: with break points in long words when it needs them
};

// Smallest caption font tried, px; a caption that does not fit even at this
// size is drawn at it rather than shrinking without end.
constexpr int kMinCaptionPixelSize = 5;
// The smallest caption that still reads at arm's length in sunlight, px
// (about 10 px capital height in Arial; the screens' own font is 16 px).
constexpr int kReadableCaptionPixelSize = 14;

// The outline polygon of an item rectangle, clockwise from the left end of the
// top-left corner. Below 21 px high: 8 points, corners cut by 1-2 px; 21-45 px:
// 20 points, corners rounded over 6-8 px; from 46 px: 40 points, corners
// rounded over up to 21 px. Each corner mirrors the top-left one. The points
// lie on the centre line of the 2 px pen, so the stroke stays inside the item.
// An empty rectangle gives an empty polygon.
QPolygon FancyOutline(const QRect& item);

// Colours of a state; inverted is the light-on-black scheme.
FancyColours FancyButtonColours(ButtonState state, bool inverted);

// The largest pixel size, from the base font's size downwards, whose
// word-wrapped centred caption is narrower and lower than rect; never below
// kMinCaptionPixelSize.
QFont FitCaptionFont(const QString& caption, const QRect& rect, const QFont& base);

// The caption with a soft hyphen in the middle of every Latin word of six
// letters or more, so that a word too long for its button breaks over two
// lines with a hyphen ("CONT-RAST"). A pack marks better break points in its
// captions with soft hyphens of its own ("ÜBERSICHTS\u00ADMESSUNG").
QString BreakableCaption(const QString& caption);

// The caption with every unit after a slash (up to three letters) joined to
// it: "1.25m/ms" never breaks into "1.25m/" and "ms".
QString GluedUnits(const QString& caption);

// The fitted font, the caption block for an item rectangle (3 px margins left
// and right, the block centred vertically) and the text to draw. When whole
// words would need a font below kReadableCaptionPixelSize, long words are
// broken over lines instead if that gives a larger font.
CaptionLayout LayoutCaption(const QString& caption, const QRect& item, const QFont& base);

class CFancyButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CFancyButton(QWidget* parent = nullptr);
    explicit CFancyButton(const QString& caption, QWidget* parent = nullptr);

    // Stores the button's own check state (0 or 1; 1 draws as pressed) and
    // repaints only when it changed.
    void SetCheck(int check);
    int GetCheck() const { return m_check; }

    // The state the next paint shows: disabled first, then down or checked.
    ButtonState DrawState() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawOutline(QPainter& painter, const FancyColours& colours) const;
    void DrawCaption(QPainter& painter, const FancyColours& colours) const;

    int m_check = 0;
};
