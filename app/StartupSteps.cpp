#include "app/StartupSteps.h"

#include "pipe/Materials.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/RunFiles.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Touch.h"
#include "settings/Language.h"

namespace startup {
namespace {

using platform::Hive;

constexpr int kErrorFileNotFound = 2;
constexpr uint16_t kFirstCalibratedYear = 2010;
constexpr const char* kStrayPatterns[] = {"*.corr", "*.jpg", "*.png", "*.wav", "*.comp"};
constexpr size_t kMaxLanguageCode = 4;  // the pack's file name holds four letters at most

// Runs the calibration until the value exists; ends early when the key
// cannot be opened or after kMaxCalibrationAttempts.
void Recalibrate(CConfiguration& config) {
    for (int attempt = 0; attempt < kMaxCalibrationAttempts; ++attempt) {
        platform::TouchCalibrate();
        platform::RegFlush(Hive::LocalMachine);
        if (!platform::RegKeyExists(Hive::LocalMachine, platform::kTouchKey)) {
            platform::DebugPrintf("\r\nTC1: Failed to open HARDWARE\\DEVICEMAP\\TOUCH: status=%d\r\n",
                                  kErrorFileNotFound);
            break;
        }
        if (TouchCalibrationPresent()) break;
    }
    auto value = platform::RegGetString(Hive::LocalMachine, platform::kTouchKey, platform::kTouchValue);
    config.SetTouchCalibration(value ? *value : std::u16string());
    config.Save();
}

}  // namespace

bool TouchCalibrationPresent() {
    if (!platform::RegKeyExists(Hive::LocalMachine, platform::kTouchKey)) return true;
    return platform::RegGetString(Hive::LocalMachine, platform::kTouchKey, platform::kTouchValue).has_value();
}

void RestoreTouchCalibration(CConfiguration& config, const platform::SystemTime& now) {
    if (now.year >= kFirstCalibratedYear && TouchCalibrationPresent()) return;
    const std::u16string copy = config.TouchCalibration();
    // A copy that fills all 256 slots has lost its terminator: not trusted.
    if (!copy.empty() && copy.size() < 256) {
        platform::RegSetString(Hive::LocalMachine, platform::kTouchKey, platform::kTouchValue, copy);
        return;
    }
    Recalibrate(config);
}

void ApplyTimeZone() { platform::SetTimeZoneInformation(platform::TimeZoneInformation{}); }

void ProtectFiles() {
    using platform::kAttrHidden;
    using platform::kAttrReadOnly;
    platform::AddFileAttributes(kProgramFile, kAttrReadOnly | kAttrHidden);
    for (const platform::FindData& dll : platform::FindFiles("\\NandFlash\\*.dll"))
        platform::AddFileAttributes(platform::JoinDevicePath(kFlashRoot, dll.name), kAttrReadOnly | kAttrHidden);
    platform::AddFileAttributes(CMaterials::kFile, kAttrHidden);
    platform::AddFileAttributes(kConfigurationFile, kAttrHidden);
    platform::AddFileAttributes(kFactoryFile, kAttrHidden);
}

void CreateDataFolder() {
    platform::CreateDirectory(kFlashRoot);
    platform::CreateDirectory(kDataFolder);
}

void TidyStrayResults(const std::string& dataFolder) {
    if (platform::FoldCase(dataFolder) == platform::FoldCase(kFlashRoot)) return;
    for (const char* pattern : kStrayPatterns) {
        for (const platform::FindData& f : platform::FindFiles(platform::JoinDevicePath(kFlashRoot, pattern))) {
            if (f.attributes & platform::kAttrDirectory) continue;
            platform::MoveFile(platform::JoinDevicePath(kFlashRoot, f.name),
                               platform::JoinDevicePath(dataFolder, f.name));
        }
    }
}

int InstallShippedLanguagePacks(const std::filesystem::path& folder) {
    int copied = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& file = it->path();
        const std::string code = file.stem().string();
        if (file.extension() != ".txt" || code.empty() || code.size() > kMaxLanguageCode) continue;
        const std::u16string code16(code.begin(), code.end());
        if (LanguagePackPresent(code16)) continue;
        const auto bytes = platform::ReadHostFile(file, platform::kMaxTextStoreBytes);
        if (bytes && platform::WriteFileAtomic(LanguagePackPath(code16), *bytes)) ++copied;
    }
    return copied;
}

void SetProfileKey() {
    platform::RegCreateKey(Hive::CurrentUser, std::string("Software\\") + kProfileKey);
}

void PrepareDevice(CConfiguration& config) {
    const platform::SystemTime now = platform::GetSystemTime();
    RestoreTouchCalibration(config, now);
    ApplyTimeZone();
    ProtectFiles();
    CreateDataFolder();
    TidyStrayResults(CConfiguration::DataFolder());
    platform::RemoveUnfinishedWrites(CConfiguration::DataFolder());
}

}  // namespace startup
