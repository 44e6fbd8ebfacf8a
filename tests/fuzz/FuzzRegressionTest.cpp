// Every input a fuzz target once failed on, fed again through the same entry function:
// tests/fuzz-regressions/<target>/<input>. A failure aborts like it did under the fuzzer.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzTargets.h"
#include "tests/FileBytes.h"

namespace mendora::testing {
namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    Entry entry;
};

#define MENDORA_FUZZ_TARGET_ROW(name) {#name, &fuzz::name::FuzzOne},
constexpr Target kTargets[] = {MENDORA_FUZZ_TARGETS(MENDORA_FUZZ_TARGET_ROW)};
#undef MENDORA_FUZZ_TARGET_ROW

int Replay(const Target& target, const std::string& path) {
    std::string bytes = ReadBytes(path);
    return target.entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

TEST(FuzzRegressionTest, SavedInputsPassEveryTarget) {
    const std::filesystem::path root = MENDORA_FUZZ_REGRESSIONS;
    int replayed = 0;
    for (const Target& target : kTargets) {
        if (!std::filesystem::is_directory(root / target.name)) continue;
        for (const auto& input : std::filesystem::directory_iterator(root / target.name)) {
            SCOPED_TRACE(input.path().string());
            EXPECT_EQ(Replay(target, input.path().string()), 0);
            ++replayed;
        }
    }
    // No folder that names no target: an input there would never run.
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        std::string name = folder.path().filename().string();
        bool known = false;
        for (const Target& target : kTargets) known = known || name == target.name;
        EXPECT_TRUE(known || !folder.is_directory()) << name;
    }
    RecordProperty("replayed", replayed);
}

// Inputs that take each target down its short paths: empty, one byte, a run of zeros and
// of 0xFF. Each must end normally.
TEST(FuzzRegressionTest, DegenerateInputsEndNormally) {
    const std::string inputs[] = {"", std::string(1, '\x01'), std::string(300, '\0'), std::string(300, '\xFF')};
    for (const Target& target : kTargets) {
        for (const std::string& bytes : inputs) {
            SCOPED_TRACE(std::string(target.name) + " with " + std::to_string(bytes.size()) + " bytes");
            EXPECT_EQ(target.entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        }
    }
}

}  // namespace
}  // namespace mendora::testing
