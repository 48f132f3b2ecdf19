#include "platform/Clock.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace platform {
namespace {

constexpr const char* kOffsetFile = "\\clock.offset";
constexpr const char* kTimeZoneFile = "\\timezone.bin";

class HostClock final : public Clock {
public:
    int64_t HostUtcMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    }
    uint32_t TickCountMs() const override {
        using namespace std::chrono;
        return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - m_start).count());
    }
    int64_t PerformanceCounter() const override {
        using namespace std::chrono;
        return duration_cast<nanoseconds>(steady_clock::now() - m_start).count();
    }
    int64_t PerformanceFrequency() const override { return 1000000000; }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

HostClock& Host() {
    static HostClock clock;
    return clock;
}

Clock*& Current() {
    static Clock* clock = nullptr;
    return clock;
}

struct OffsetCache {
    bool loaded = false;
    int64_t ms = 0;
};

OffsetCache& Offset() {
    static OffsetCache c;
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        OnUnitRootChanged([] { Offset().loaded = false; });
    }
    if (!c.loaded) {
        c.loaded = true;
        c.ms = 0;
        if (auto text = ReadWholeFile(kOffsetFile, 64)) {
            try {
                c.ms = std::stoll(*text);
            } catch (...) {
                c.ms = 0;
            }
        }
    }
    return c;
}

// Days from 1970-01-01 to a civil date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

void SetClock(Clock* clock) { Current() = clock; }

Clock& GetClock() { return Current() ? *Current() : static_cast<Clock&>(Host()); }

ScopedClock::ScopedClock(Clock& clock) : m_previous(Current()) { SetClock(&clock); }
ScopedClock::~ScopedClock() { SetClock(m_previous); }

SystemTime SystemTimeFromUnixMs(int64_t ms) {
    const int64_t days = FloorDiv(ms, 86400000);
    const int64_t msOfDay = ms - days * 86400000;
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    SystemTime t;
    t.year = static_cast<uint16_t>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
    t.month = static_cast<uint16_t>(m);
    t.day = static_cast<uint16_t>(d);
    t.dayOfWeek = static_cast<uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    t.hour = static_cast<uint16_t>(msOfDay / 3600000);
    t.minute = static_cast<uint16_t>(msOfDay / 60000 % 60);
    t.second = static_cast<uint16_t>(msOfDay / 1000 % 60);
    t.milliseconds = static_cast<uint16_t>(msOfDay % 1000);
    return t;
}

bool IsValidSystemTime(const SystemTime& t) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1) return false;
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = (t.month == 2 && !leap) ? 28 : kDays[t.month - 1];
    return t.day <= days && t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

int64_t UnixMsFromSystemTime(const SystemTime& t) {
    const int64_t days = DaysFromCivil(t.year, t.month, t.day);
    return days * 86400000 + t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL + t.milliseconds;
}

SystemTime GetSystemTime() { return SystemTimeFromUnixMs(GetClock().HostUtcMs() + Offset().ms); }

bool SetSystemTime(const SystemTime& t) {
    if (!IsValidSystemTime(t)) return false;
    OffsetCache& c = Offset();
    c.ms = UnixMsFromSystemTime(t) - GetClock().HostUtcMs();
    return WriteFileAtomic(kOffsetFile, std::to_string(c.ms));
}

uint32_t GetTickCount() { return GetClock().TickCountMs(); }
int64_t QueryPerformanceCounter() { return GetClock().PerformanceCounter(); }
int64_t QueryPerformanceFrequency() { return GetClock().PerformanceFrequency(); }
void Sleep(uint32_t ms) { GetClock().SleepMs(ms); }

bool SetTimeZoneInformation(const TimeZoneInformation& tz) {
    std::string bytes(sizeof tz, '\0');
    std::memcpy(bytes.data(), &tz, sizeof tz);
    return WriteFileAtomic(kTimeZoneFile, bytes);
}

TimeZoneInformation GetTimeZoneInformation() {
    TimeZoneInformation tz;
    if (auto bytes = ReadWholeFile(kTimeZoneFile, sizeof tz); bytes && bytes->size() == sizeof tz)
        std::memcpy(&tz, bytes->data(), sizeof tz);
    return tz;
}

}  // namespace platform
