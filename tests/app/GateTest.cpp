#include <gtest/gtest.h>

#include "app/OsGate.h"
#include "app/RepairApp.h"
#include "console/ProcessState.h"
#include "platform/kernel/fake/FakeKernel.h"

namespace mendora {
namespace {

using platform::OsVersion;
using platform::VersionRecord;

OsVersion Nt(std::uint32_t build) { return OsVersion{5, 1, build, 2, ""}; }
OsVersion Nine(std::uint32_t minor, std::uint32_t build, std::string csd = "") {
    return OsVersion{4, minor, build, 1, csd};
}

std::uint32_t BuildFor(std::optional<OsVersion> extended, std::optional<OsVersion> basic = {}) {
    platform::FakeVersionQuery query;
    query.extended = extended;
    query.basic = basic;
    return GetOsBuild(query);
}

TEST(GetOsBuild, TakesLowSixteenBitsAndFallsBackToTheBasicRecord) {
    EXPECT_EQ(BuildFor(Nt(2600)), 2600u);
    EXPECT_EQ(BuildFor(Nt(0x0A280A28)), 0x0A28u);
    EXPECT_EQ(BuildFor(std::nullopt, Nt(2195)), 2195u);
    EXPECT_EQ(BuildFor(std::nullopt, std::nullopt), 0u);

    platform::FakeVersionQuery query;
    query.extended = Nt(3790);
    GetOsBuild(query);
    EXPECT_EQ(query.asked, std::vector<VersionRecord>{VersionRecord::Extended});
}

TEST(GetOsBuild, ReportsTheNinetiesFamilyBelowTheGuardedRange) {
    EXPECT_EQ(BuildFor(Nine(10, 0x040A0898)), 409u);         // 98
    EXPECT_EQ(BuildFor(Nine(10, 0x040A08AE, " A ")), 410u);  // 98 second edition
    EXPECT_EQ(BuildFor(Nine(90, 0x045A0BB8)), 420u);         // Me
    EXPECT_EQ(BuildFor(Nine(0, 0x040003B6)), 0x03B6u);       // 95 keeps its own
    EXPECT_EQ(BuildFor(OsVersion{5, 10, 2222, 2, " A"}), 2222u);  // only the 9x family
}

TEST(IsUserAdmin, FailedCheckCountsAsNotAdministrator) {
    platform::FakeAdminRights rights;
    EXPECT_NE(IsUserAdmin(rights), 0u);
    rights.answer = false;
    EXPECT_EQ(IsUserAdmin(rights), 0u);
    rights.answer = std::nullopt;
    EXPECT_EQ(IsUserAdmin(rights), 0u);
}

const platform::ResourceEntry* GateStrings() {
    static const char kTable[] = "4\t1033\tThis program can only be executed with administrative privilege!\n";
    static const platform::ResourceEntry entry{platform::kStringTableType, 1, 0,
                                               reinterpret_cast<const std::uint8_t*>(kTable),
                                               sizeof kTable - 1};
    return &entry;
}

// Runs start-up on a given build with a refused temporary directory, so nothing past the
// gate can happen; answers how often rights were asked and what was shown.
struct GateRun {
    int rightsCalls;
    std::vector<std::string> messages;
};

GateRun StartOnBuild(std::optional<std::uint32_t> build, std::optional<bool> admin) {
    platform::FakeKernel fake({GateStrings(), 1});
    if (build) fake.version.extended = Nt(*build);
    fake.rights.answer = admin;
    fake.process.executablePath = "/opt/mendora/mendora";
    InstanceSlot slot;
    EXPECT_FALSE(RepairApp(fake.kernel, slot).Start());
    GateRun run{fake.rights.calls, {}};
    for (auto& shown : fake.messages.shown) run.messages.push_back(shown.text);
    return run;
}

TEST(RepairAppGate, AsksForRightsOnlyInsideTheGuardedBuilds) {
    for (std::optional<std::uint32_t> build : {std::optional<std::uint32_t>(2194), {6000}, {409}, {}}) {
        GateRun run = StartOnBuild(build, false);
        EXPECT_EQ(run.rightsCalls, 0) << build.value_or(0);
    }
    for (std::uint32_t build : {2195u, 2600u, 5999u}) {
        EXPECT_EQ(StartOnBuild(build, true).rightsCalls, 1) << build;
    }
    EXPECT_EQ(OsBuildNumber(), 5999u);
}

TEST(RepairAppGate, RefusesWithoutRightsAndStopsThere) {
    for (std::optional<bool> admin : {std::optional<bool>(false), std::optional<bool>()}) {
        GateRun run = StartOnBuild(2600, admin);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0], "This program can only be executed with administrative privilege!");
    }
}

}  // namespace
}  // namespace mendora
