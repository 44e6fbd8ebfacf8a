// Settings text of arbitrary bytes read as Device.ini and flash8k.ini are read: the
// section list fits the caller's buffer, values are cut to theirs, numbers stay in range.
#include "console/DeviceSelection.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "platform/kernel/linux/InihProfileReader.h"

namespace mendora::fuzz::profile {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::size_t listBuffer = input.U16() % 4200;
    const std::size_t valueBuffer = input.U8() % 80;
    const std::string path = FreshDirectory("profile") + "/settings.ini";
    testing::WriteBytes(path, std::string(input.Rest()));

    platform::InihProfileReader profiles;
    // Device.ini
    std::uint8_t code = ReadDeviceSelection(profiles, path, 7);
    FUZZ_CHECK(code <= 3 || code == 7);
    FUZZ_CHECK(profiles.GetString(path, "Device", "SelectDevice", "fallback", valueBuffer).size() <
               std::max<std::size_t>(valueBuffer, 1));

    // flash8k.ini: every section's "FID" and "RedudantSize".
    for (std::size_t buffer : {listBuffer, std::size_t{4096}}) {
        std::vector<std::string> sections = profiles.SectionNames(path, buffer);
        std::size_t used = 1;
        for (const std::string& section : sections) used += section.size() + 1;
        FUZZ_CHECK(sections.empty() || used <= buffer);
        for (const std::string& section : sections) {
            FUZZ_CHECK(profiles.GetString(path, section, "FID", "", 64).size() <= 63);
            profiles.GetInt(path, section, "RedudantSize", 0);
        }
    }
    FUZZ_CHECK(profiles.GetString(path, "no such section", "FID", "none", 64) == "none");
    FUZZ_CHECK(profiles.GetInt(path, "no such section", "FID", -5) == -5);
    return 0;
}

}  // namespace mendora::fuzz::profile
