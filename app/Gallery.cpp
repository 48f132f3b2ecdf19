#include "app/Gallery.h"

#include <QAbstractButton>
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

// Every screen built so far; screens join as they land.
std::vector<GalleryScreen> Screens() {
    return {
        {"main", [] { return std::make_unique<CCorrelatorDlg>(); }},
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
