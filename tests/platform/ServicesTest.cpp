// Registry, clocks, device I/O and resource libraries.

#include <gtest/gtest.h>

#include "TempUnitRoot.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ResourceLibrary.h"

using namespace platform;

TEST(Registry, ValuesAreCaseInsensitiveAndSurviveOnlyWhenFlushed) {
    TempUnitRoot root;
    EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH"));
    ASSERT_TRUE(RegSetString(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH", "CalibrationData", u"1,2\t3"));
    EXPECT_TRUE(RegKeyExists(Hive::LocalMachine, "Hardware\\DeviceMap"));
    EXPECT_EQ(RegGetString(Hive::LocalMachine, "hardware\\devicemap\\touch", "calibrationdata"), u"1,2\t3");
    EXPECT_FALSE(RegKeyExists(Hive::CurrentUser, "HARDWARE"));

    RegReloadFromDisk();  // a cold start before any flush
    EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH"));

    RegSetString(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH", "CalibrationData", u"\u00e9 \\ x");
    ASSERT_TRUE(RegFlush(Hive::LocalMachine));
    RegReloadFromDisk();
    EXPECT_EQ(RegGetString(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH", "CalibrationData"), u"\u00e9 \\ x");
    EXPECT_TRUE(RegDeleteKey(Hive::LocalMachine, "HARDWARE\\DEVICEMAP"));
    EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "HARDWARE\\DEVICEMAP\\TOUCH"));
    EXPECT_TRUE(RegKeyExists(Hive::LocalMachine, "HARDWARE"));
}

TEST(UnitClock, SettingItKeepsAnOffsetAndLeavesTheHostAlone) {
    TempUnitRoot root;
    FakeClock fake(UnixMsFromSystemTime({2026, 12, 0, 6, 10, 0, 0, 0}));
    ScopedClock scoped(fake);
    SystemTime set{2009, 6, 0, 15, 8, 30, 0, 0};
    ASSERT_TRUE(SetSystemTime(set));
    EXPECT_EQ(GetSystemTime().year, 2009);
    fake.Advance(61000);
    SystemTime now = GetSystemTime();
    EXPECT_EQ(now.minute, 31);
    EXPECT_EQ(now.second, 1);
    EXPECT_EQ(now.dayOfWeek, 1);  // 2009-06-15 was a Monday
    SetUnitRoot(root.Path());     // the offset is read again from the unit
    EXPECT_EQ(GetSystemTime().year, 2009);
    EXPECT_FALSE(SetSystemTime({2009, 2, 0, 29, 0, 0, 0, 0}));
}

TEST(UnitClock, CalendarConversionsRoundTripAcrossLeapDays) {
    for (int64_t ms : {0LL, 951782400000LL /* 2000-02-29 */, 4107542399999LL, -86400000LL}) {
        const SystemTime t = SystemTimeFromUnixMs(ms);
        EXPECT_TRUE(IsValidSystemTime(t) || t.year < 1601);
        EXPECT_EQ(UnixMsFromSystemTime(t), ms);
    }
    const SystemTime leap = SystemTimeFromUnixMs(951782400000LL);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
}

namespace {
class EchoDevice final : public Device {
public:
    bool Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) override {
        if (code != 7 || out.size() < in.size()) return false;
        std::copy(in.begin(), in.end(), out.begin());
        returned = static_cast<uint32_t>(in.size());
        return true;
    }
};
class OneDeviceProvider final : public DeviceProvider {
public:
    std::unique_ptr<Device> Open(std::string_view name) override {
        return name == "ECH1:" ? std::make_unique<EchoDevice>() : nullptr;
    }
    bool Activate(std::string_view path) override { return path == "\\Drivers\\Echo"; }
};
}  // namespace

TEST(DeviceIo, WithoutAUnitEveryRequestFailsNeutrally) {
    SetDeviceProvider(nullptr);
    EXPECT_EQ(CreateFile("SPI4:"), kInvalidHandle);
    EXPECT_EQ(ActivateDeviceEx("\\Drivers\\SensorDAC"), kInvalidHandle);
    uint32_t returned = 99;
    uint8_t buf[4] = {};
    EXPECT_FALSE(DeviceIoControl(kInvalidHandle, 7, buf, 4, buf, 4, &returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(CloseHandle(kInvalidHandle));
}

TEST(DeviceIo, RequestsReachTheProvidersDeviceUntilClosed) {
    SetDeviceProvider(std::make_shared<OneDeviceProvider>());
    const Handle h = CreateFile("ECH1:");
    ASSERT_NE(h, kInvalidHandle);
    uint8_t in[3] = {1, 2, 3}, out[3] = {};
    uint32_t returned = 0;
    EXPECT_TRUE(DeviceIoControl(h, 7, in, 3, out, 3, &returned));
    EXPECT_EQ(returned, 3u);
    EXPECT_EQ(out[2], 3);
    EXPECT_FALSE(DeviceIoControl(h, 8, in, 3, out, 3, &returned));
    EXPECT_FALSE(DeviceIoControl(h, 7, nullptr, 3, out, 3, &returned));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(DeviceIoControl(h, 7, in, 3, out, 3, &returned));
    const Handle driver = ActivateDeviceEx("\\Drivers\\Echo");
    EXPECT_NE(driver, kInvalidHandle);
    EXPECT_TRUE(DeactivateDevice(driver));
    SetDeviceProvider(nullptr);
}

TEST(ResourceLibraries, StringsAndTemplatesByIdentifier) {
    TempUnitRoot root;
    root.Put("\\NandFlash\\TamrikDialogsDEU.dll",
             "# German\nstring 195 Rohr:\nstring 7 two\\nlines\ndialog 102\nCONTROL 1087 X\nend\nstring x bad\n");
    LibraryHandle lib = LoadLibrary("\\NandFlash\\TamrikDialogsDEU.dll");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(lib->String(195), u"Rohr:");
    EXPECT_EQ(lib->String(7), u"two\nlines");
    EXPECT_FALSE(lib->String(196).has_value());
    EXPECT_EQ(lib->DialogTemplate(102), "CONTROL 1087 X\n");
    EXPECT_TRUE(FreeLibrary(lib));
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(LoadLibrary("\\NandFlash\\TamrikDialogsFRA.dll"), nullptr);
}
