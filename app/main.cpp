// The correlator program. Options: --root DIR (the unit's flash on this host),
// --unit none (a unit whose devices all fail to open), --script FILE (drive
// the screens from a script, see ui/ScriptRunner.h), --gallery DIR (render
// every screen to PNG files and end). Qt's own options such as
// "-platform offscreen" are taken as usual.

#include <QApplication>
#include <QFont>
#include <cstdio>

#include "app/CorrelatorApp.h"
#include "app/Gallery.h"
#include "app/ProgramHooks.h"
#include "platform/DeviceIo.h"
#include "platform/Paths.h"
#include "settings/Configuration.h"
#include "ui/ScriptRunner.h"

namespace {

struct Options {
    QString root;
    QString unit = QStringLiteral("none");
    QString script;
    QString gallery;
};

bool ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "correlator: %s needs a value\n", qPrintable(a));
            return false;
        }
        if (a == "--root") o.root = args[++i];
        else if (a == "--unit") o.unit = args[++i];
        else if (a == "--script") o.script = args[++i];
        else if (a == "--gallery") o.gallery = args[++i];
        else {
            std::fprintf(stderr, "correlator: unknown option %s\n", qPrintable(a));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    Options options;
    if (!ParseOptions(QApplication::arguments(), options)) return 2;

    if (!options.root.isEmpty()) platform::SetUnitRoot(options.root.toStdString());
    // The virtual unit joins here once it lands; until then no device opens.
    platform::SetDeviceProvider(std::make_shared<platform::NullDeviceProvider>());

    // The global records load once the unit root is known, before the application runs.
    LoadGlobalRecords();
    g_configuration.Save();
    InstallProgramHooks();

    if (!options.gallery.isEmpty()) {
        const int written = WriteGallery(options.gallery);
        std::printf("gallery: %d pictures in %s\n", written, qPrintable(options.gallery));
        return written > 0 ? 0 : 1;
    }

    if (!options.script.isEmpty()) {
        QString error;
        if (!ScriptRunner::Start(options.script, &error)) {
            std::fprintf(stderr, "correlator: %s\n", qPrintable(error));
            return 2;
        }
    }
    {
        CCorrelatorApp app;
        app.InitInstance();
    }
    return ScriptRunner::Failed() ? 3 : 0;
}
