// A registry file of arbitrary text, searched for the revert's tuning values.
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "platform/kernel/RegFile.h"

namespace mendora::fuzz::regfile {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    const std::string text = AsString(data, size);
    for (const char* name : {"TestStartBlock", "TestBlockCount", ""}) {
        auto value = platform::FindRegDword(text, "software\\kzrevert", name);
        // A value is only ever found under its section.
        if (value) FUZZ_CHECK(text.find(']') != std::string::npos);
    }
    platform::FindRegDword(text, "", "TestStartBlock");
    return 0;
}

}  // namespace mendora::fuzz::regfile
