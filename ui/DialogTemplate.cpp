#include "ui/DialogTemplate.h"

#include <QStringList>
#include <cmath>

namespace {

constexpr int kUnitsWide = 285, kUnitsHigh = 214;
constexpr int kPixelsWide = 640, kPixelsHigh = 480;
// Far more than any screen has (the main screen has about 60); each control
// is a widget built when the screen opens.
constexpr int kMaxControls = 256;
constexpr int kMaxFontPoints = 72;

// Nothing on a screen can lie beyond it: a larger template asks for an
// image of that size (a pack once asked for 100000 x 100000).
// Checked on the numbers as read, before a QRect adds them up.
bool OnScreen(int x, int y, int w, int h) {
    return x >= 0 && y >= 0 && w >= 0 && h >= 0 && w <= kUnitsWide && h <= kUnitsHigh && x <= kUnitsWide - w &&
           y <= kUnitsHigh - h;
}

struct ClassName {
    const char* name;
    ControlClass cls;
};
constexpr ClassName kClasses[] = {
    {"button", ControlClass::Button}, {"bmpbutton", ControlClass::BmpButton}, {"static", ControlClass::Static},
    {"picture", ControlClass::Picture}, {"edit", ControlClass::Edit},        {"listbox", ControlClass::ListBox},
    {"slider", ControlClass::Slider},   {"group", ControlClass::Group},      {"hotspot", ControlClass::Hotspot},
};

struct FlagName {
    const char* name;
    unsigned flag;
};
constexpr FlagName kFlags[] = {{"hidden", kFlagHidden}, {"disabled", kFlagDisabled}, {"center", kFlagCenter},
                               {"right", kFlagRight},   {"border", kFlagBorder},     {"sunken", kFlagSunken}};

// Splits a line into words; a quoted word keeps its blanks and escapes.
bool Tokenise(const QString& line, QStringList& words) {
    words.clear();
    int i = 0;
    while (i < line.size()) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const QChar c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    const QChar e = line[i++];
                    word += e == 'n' ? QChar('\n') : e;
                } else {
                    word += c;
                }
            }
            if (!closed) return false;
        } else {
            while (i < line.size() && !line[i].isSpace()) word += line[i++];
        }
        words << word;
    }
    return true;
}

bool ParseControl(const QStringList& w, ControlTemplate& c) {
    if (w.size() < 8) return false;
    bool known = false;
    for (const ClassName& k : kClasses)
        if (w[1] == QLatin1String(k.name)) c.cls = k.cls, known = true;
    if (!known) return false;
    bool ok[5];
    c.id = w[2].toInt(&ok[0]);
    c.caption = w[3];
    const int x = w[4].toInt(&ok[1]), y = w[5].toInt(&ok[2]), width = w[6].toInt(&ok[3]), height = w[7].toInt(&ok[4]);
    for (bool b : ok)
        if (!b) return false;
    if (!OnScreen(x, y, width, height)) return false;
    c.units = QRect(x, y, width, height);
    for (int i = 8; i < w.size(); ++i) {
        bool flag = false;
        for (const FlagName& f : kFlags)
            if (w[i] == QLatin1String(f.name)) c.flags |= f.flag, flag = true;
        if (!flag) return false;
    }
    return true;
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(int id) const {
    for (const ControlTemplate& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, QString* error) {
    DialogTemplate t;
    const QStringList lines = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).split('\n');
    QStringList w;
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        bool ok = Tokenise(line, w) && !w.isEmpty();
        if (ok && w[0] == "caption" && w.size() == 2) {
            t.caption = w[1];
        } else if (ok && w[0] == "size" && w.size() == 3) {
            bool a = false, b = false;
            t.units = QSize(w[1].toInt(&a), w[2].toInt(&b));
            ok = a && b && !t.units.isEmpty() && OnScreen(0, 0, t.units.width(), t.units.height());
        } else if (ok && w[0] == "font" && w.size() == 3) {
            t.fontName = w[1];
            t.fontPoints = w[2].toInt(&ok);
            ok = ok && t.fontPoints >= 1 && t.fontPoints <= kMaxFontPoints;
        } else if (ok && w[0] == "control") {
            ControlTemplate c;
            ok = static_cast<int>(t.controls.size()) < kMaxControls && ParseControl(w, c);
            if (ok) t.controls.push_back(c);
        } else {
            ok = false;
        }
        if (!ok) {
            if (error) *error = QStringLiteral("line %1: %2").arg(n + 1).arg(line);
            return std::nullopt;
        }
    }
    return t;
}

QRect UnitsToPixels(const QRect& u) {
    auto x = [](int v) { return static_cast<int>(std::lround(v * double(kPixelsWide) / kUnitsWide)); };
    auto y = [](int v) { return static_cast<int>(std::lround(v * double(kPixelsHigh) / kUnitsHigh)); };
    const int left = x(u.left()), top = y(u.top());
    return QRect(left, top, x(u.left() + u.width()) - left, y(u.top() + u.height()) - top);
}

QSize UnitsToPixels(const QSize& u) { return UnitsToPixels(QRect(QPoint(0, 0), u)).size(); }
