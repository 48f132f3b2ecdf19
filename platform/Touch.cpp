#include "platform/Touch.h"

#include "platform/Registry.h"

namespace platform {
namespace {

// Five reference points of a 640 x 480 panel mapped one to one.
constexpr char16_t kIdentityCalibration[] = u"320,240 64,48 64,432 576,432 576,48";

std::function<bool()>& Calibrator() {
    static std::function<bool()> c;
    return c;
}

}  // namespace

bool TouchCalibrate() {
    if (Calibrator()) return Calibrator()();
    return RegSetString(Hive::LocalMachine, kTouchKey, kTouchValue, kIdentityCalibration);
}

void SetTouchCalibrator(std::function<bool()> calibrator) { Calibrator() = std::move(calibrator); }

}  // namespace platform
