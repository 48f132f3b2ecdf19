#include "ui/Resources.h"

#include <QDir>
#include <QFile>

#include "pipe/Materials.h"
#include "platform/Debug.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "settings/Language.h"

namespace {

// Every file under the built-in resource folder, read as one library.
const platform::ResourceLibrary& BuiltIn() {
    static const platform::ResourceLibrary library = [] {
        std::string text;
        QDir dir(QStringLiteral(":/builtin"));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) text += f.readAll().toStdString() + "\n";
        }
        return platform::ResourceLibrary::Parse("built-in", text);
    }();
    return library;
}

QString ToQString(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::optional<DialogTemplate> Parsed(const platform::ResourceLibrary& lib, int id) {
    auto text = lib.DialogTemplate(static_cast<uint32_t>(id));
    if (!text) return std::nullopt;
    QString error;
    auto parsed = ParseDialogTemplate(*text, &error);
    if (!parsed)
        platform::DebugPrintf("dialog %d in %s: %s\n", id, lib.Path().c_str(), error.toUtf8().constData());
    return parsed;
}

}  // namespace

QString LoadString(int id) {
    if (const auto* pack = CurrentLanguagePack())
        if (auto s = pack->String(static_cast<uint32_t>(id))) return ToQString(*s);
    return BuiltInString(id);
}

QString BuiltInString(int id) {
    auto s = BuiltIn().String(static_cast<uint32_t>(id));
    return s ? ToQString(*s) : QString();
}

FilterWords LoadFilterWords() {
    FilterWords words;
    const auto take = [](int id, std::u16string& into) {
        const QString text = LoadString(id);
        if (!text.isEmpty()) into = text.toStdU16String();
    };
    take(133, words.none);
    take(117, words.excl);
    take(186, words.multiple);
    words.language = g_configuration.Language();
    return words;
}

std::optional<DialogTemplate> LoadDialogTemplate(int id) {
    // A pack's template that is missing or malformed leaves the English one.
    if (const auto* pack = CurrentLanguagePack())
        if (auto t = Parsed(*pack, id)) return t;
    return Parsed(BuiltIn(), id);
}

void InstallLanguageHooks() {
    SetMaterialNameSource([](uint32_t id) -> std::optional<std::u16string> {
        if (const auto* pack = CurrentLanguagePack()) return pack->String(id);
        return std::nullopt;
    });
}
