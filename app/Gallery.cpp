#include "app/Gallery.h"

#include <QDir>
#include <functional>
#include <memory>
#include <vector>

#include "app/CorrelatorDlg.h"
#include "screens/AboutDlg.h"
#include "screens/BadSignalDlg.h"
#include "screens/LanguageDialog.h"
#include "settings/Configuration.h"
#include "ui/KeyboardDialog.h"
#include "ui/PictureSet.h"

namespace {

struct GalleryScreen {
    const char* name;
    std::function<std::unique_ptr<CDialogBase>()> make;
};

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
    int written = 0;
    for (int scheme : {0, 1}) {
        g_configuration.colourScheme = scheme;
        ReloadPictures();
        for (const GalleryScreen& s : Screens()) {
            g_configuration.colourScheme = scheme;  // a screen may switch it while shown
            auto screen = s.make();
            screen->InitForDisplay();
            const QString file = QStringLiteral("%1/%2-%3-%4.png")
                                     .arg(folder)
                                     .arg(screen->TemplateId())
                                     .arg(s.name, scheme ? "inverted" : "normal");
            if (Render(*screen).save(file, "PNG")) ++written;
        }
    }
    g_configuration.colourScheme = savedScheme;
    ReloadPictures();
    return written;
}
