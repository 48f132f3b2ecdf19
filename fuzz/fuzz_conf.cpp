// The settings file: whatever a load makes of it is a record that saves and
// reads back as it is.

#include <sstream>

#include "fuzz/FuzzUnit.h"
#include "settings/Configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CConfiguration conf;
    std::istringstream in(fuzz::Bytes(data, size));
    conf.LoadFrom(in);
    if (!conf.Validate()) fuzz::Fail("a loaded configuration does not validate");
    conf.Language();
    conf.TouchCalibration();
    std::ostringstream saved;
    conf.WriteTo(saved);
    CConfiguration again;
    std::istringstream back(saved.str());
    if (again.LoadFrom(back) != CConfiguration::LoadOutcome::Read || again.RecordBytes() != conf.RecordBytes())
        fuzz::Fail("a loaded configuration does not read back as saved");
    return 0;
}
