#include "app/Gallery.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <random>
#include <QDir>
#include <functional>
#include <memory>
#include <vector>

#include "app/CorrelatorDlg.h"
#include "pipe/Materials.h"
#include "screens/AboutDlg.h"
#include "screens/BadSignalDlg.h"
#include "screens/DiameterDialog.h"
#include "screens/LanguageDialog.h"
#include "screens/LengthDialog.h"
#include "screens/MaterialDialog.h"
#include "screens/MultiPipeDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/KeyboardDialog.h"
#include "ui/PictureSet.h"

namespace {

struct GalleryScreen {
    const char* name;
    std::function<std::unique_ptr<CDialogBase>()> make;
    std::function<void(CDialogBase&)> prepare = {};  // after initialisation: what an operator did
};

// A section of a material slot's band as the entry chain makes it.
PipeSegment GallerySection(int slot, int band, float length, LengthUnit unit) {
    PipeSegment section;
    if (!g_materials) return section;
    section.SetMaterial(g_materials->Slot(slot).name);
    section.SetMaterialGroup(g_materials->Slot(slot).group);
    section.SetBand(g_materials->Slot(slot).bands[static_cast<size_t>(band)]);
    section.SetLength(length, unit);
    return section;
}

// A street main: ductile iron 150 mm, a PVC repair, then steel 250 mm.
CPipe GalleryPipe() {
    CPipe pipe(10000.0f);
    pipe.AddSection(GallerySection(0, 1, 120.0f, LengthUnit::Metres));
    pipe.AddSection(GallerySection(6, 6, 14.5f, LengthUnit::Metres));
    pipe.AddSection(GallerySection(2, 3, 86.0f, LengthUnit::Metres));
    return pipe;
}

void Press(CDialogBase& screen, std::initializer_list<int> ids) {
    for (int id : ids)
        if (auto* b = screen.Item<QAbstractButton>(id)) b->click();
}

// Pen down and up at a point of the screen.
void Touch(QWidget& screen, int x, int y) {
    const QPointF at(x, y);
    QMouseEvent down(QEvent::MouseButtonPress, at, screen.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, at, screen.mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&screen, &down);
    QApplication::sendEvent(&screen, &up);
}

// A run on the gallery pipe with a leak 60 m from Red: Red and Blue hear one
// noise, Blue later by the leak's delay, each with its own sensor noise.
void RunWithLeak(CDialogBase& screen) {
    auto& main = static_cast<CCorrelatorDlg&>(screen);
    main.StartOnPipe(GalleryPipe());
    CCorrelation& run = main.Run();
    CPipe placed = run.Pipe();
    // The delay that puts the leak 60 m from Red: found on the pipe itself.
    float lo = -placed.GetTotalTime(DelayUnit::Seconds), hi = -lo;
    for (int i = 0; i < 40; ++i) {
        const float mid = (lo + hi) / 2;
        placed.SetDelay(mid, DelayUnit::Seconds);
        (placed.GetDistanceFromA(LengthUnit::Metres) < 60.0f ? lo : hi) = mid;
    }
    const int32_t delay = static_cast<int32_t>(std::lround(-lo * run.SampleRate()));  // Blue behind Red
    constexpr int32_t kSamples = 40000;
    std::minstd_rand random(2016);
    std::normal_distribution<float> leak(0.0f, 300.0f), sensor(0.0f, 120.0f);
    std::vector<float> source(static_cast<size_t>(kSamples + std::abs(delay)));
    for (float& v : source) v = leak(random);
    std::vector<int16_t> red(kSamples), blue(kSamples);
    for (int32_t n = 0; n < kSamples; ++n) {
        red[static_cast<size_t>(n)] = static_cast<int16_t>(source[static_cast<size_t>(n + std::max(delay, 0))] + sensor(random));
        blue[static_cast<size_t>(n)] = static_cast<int16_t>(source[static_cast<size_t>(n + std::max(-delay, 0))] + sensor(random));
    }
    run.AddRedSamples(red.data(), kSamples);
    run.AddBlueSamples(blue.data(), kSamples);
    while (run.Correlate(1 << 20) > 0) {
    }
    run.Clock().Stop();
    run.Clock().accumulatedMs = 24000;
    main.ShowItem(kIdBadge, false);  // gone 5 s after start-up
    main.ShowResultsNow();
}

// Every screen built so far; screens join as they land.
std::vector<GalleryScreen> Screens() {
    return {
        {"main", [] { return std::make_unique<CCorrelatorDlg>(); }},
        {"main-running", [] { return std::make_unique<CCorrelatorDlg>(); }, RunWithLeak},
        {"main-stopped", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop});
         }},
        {"main-zoomed", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop, kIdZoom, kIdZoomIn, kIdZoomIn});
         }},
        {"main-suppression", [] { return std::make_unique<CCorrelatorDlg>(); },
         [](CDialogBase& screen) {
             RunWithLeak(screen);
             Press(screen, {kIdStop, kIdPeakSuppress, kIdSetLeft});
             Touch(screen, 380, 200);
             Press(screen, {kIdSetRight});
             Touch(screen, 430, 200);
             static_cast<CCorrelatorDlg&>(screen).ShowResultsNow();
         }},
        {"main-three-traces",
         [] {
             g_configuration.multiFilter = 1;
             auto screen = std::make_unique<CCorrelatorDlg>();
             g_configuration.multiFilter = 0;
             return screen;
         },
         [](CDialogBase& screen) {
             g_configuration.multiFilter = 1;
             RunWithLeak(screen);
             g_configuration.multiFilter = 0;
         }},
        {"bad-signal", [] { return std::make_unique<CBadSignalDlg>(); }},
        {"about", [] { return std::make_unique<CAboutDlg>(); }},
        {"language", [] { return std::make_unique<CLanguageDialog>(); }},
        {"language-check", [] { return std::make_unique<CLangCheckDlg>(); }},
        {"keyboard", [] { return std::make_unique<CKeyboardDialog>(QStringLiteral("ENTER SERIAL NUMBER"),
                                                                   QStringLiteral("A1234"), 39); }},
        {"pipe-material", [] {
             auto screen = std::make_unique<CMaterialDialog>();
             screen->SetPipe(GalleryPipe());
             screen->SetExistingOffered(true);
             return screen;
         }},
        {"pipe-diameter", [] {
             return std::make_unique<CDiameterDialog>(0, GallerySection(0, 0, 0.0f, LengthUnit::Metres), GalleryPipe());
         }},
        {"pipe-length", [] {
             return std::make_unique<CLengthDialog>(GallerySection(0, 1, 0.0f, LengthUnit::Metres), GalleryPipe());
         },
         [](CDialogBase& screen) {
             Press(screen, {CLengthDialog::kIdFirstDigit + 1, CLengthDialog::kIdFirstDigit + 2,
                            CLengthDialog::kIdFirstDigit + 0, CLengthDialog::kIdPoint,
                            CLengthDialog::kIdFirstDigit + 5});
         }},
        {"pipe-sections", [] { return std::make_unique<CMultiPipeDialog>(GalleryPipe()); }},
    };
}

// Shows a screen without its modal loop long enough to grab it.
QPixmap Render(CDialogBase& screen) {
    screen.show();
    QPixmap picture = screen.grab();
    screen.hide();
    return picture;
}

}  // namespace

int WriteGallery(const QString& folder) {
    if (!QDir().mkpath(folder)) return -1;
    const int savedScheme = g_configuration.colourScheme;
    // The screens speak the configured language, and the material screens
    // need a table when the program has not made one.
    if (!g_configuration.Language().empty()) SetLanguage(g_configuration.Language());
    std::unique_ptr<CMaterials> ownMaterials;
    if (!g_materials) {
        ownMaterials = std::make_unique<CMaterials>();
        ownMaterials->Load();
        g_materials = ownMaterials.get();
    }
    int written = 0;
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        ReloadPictures();
        for (const GalleryScreen& s : Screens()) {
            g_configuration.colourScheme = scheme;  // a screen may switch it while shown
            auto screen = s.make();
            screen->InitForDisplay();
            if (s.prepare) s.prepare(*screen);
            const QString file = QStringLiteral("%1/%2-%3-%4.png")
                                     .arg(folder)
                                     .arg(screen->TemplateId())
                                     .arg(s.name, scheme ? "inverted" : "normal");
            if (Render(*screen).save(file, "PNG")) ++written;
        }
    }
    g_configuration.colourScheme = savedScheme;
    ReloadPictures();
    if (ownMaterials) g_materials = nullptr;
    return written;
}
