// The judgement of a directory's access list: who besides the administrators may change it.
#include <gtest/gtest.h>

#include "platform/kernel/AccessList.h"

namespace mendora::platform {
namespace {

constexpr const char* kUser = "S-1-5-21-1-2-3-1001";
constexpr const char* kEveryone = "S-1-1-0";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kReadAndExecute = 0x001200A9;

AccessEntry Allow(const std::string& who, std::uint32_t rights, const std::string& name = {}) {
    return {true, who, name, rights};
}

AccessList Owned(const std::string& owner, std::vector<AccessEntry> entries) {
    AccessList list;
    list.owner = owner;
    list.entries = std::move(entries);
    return list;
}

// An elevated token has a limited twin of the same user; without one the user is as
// privileged as this process.
const std::set<std::string> kElevated = TrustedPrincipals(kUser, true);
const std::set<std::string> kUnsplit = TrustedPrincipals(kUser, false);

TEST(AccessList, TheUserCountsOnlyWhereNoneOfItsProcessesHasFewerRights) {
    // What a directory under the user's temporary folder inherits.
    AccessList inherited = Owned(kSidAdministrators, {Allow(kSidLocalSystem, kFullControl),
                                                      Allow(kSidAdministrators, kFullControl),
                                                      Allow(kUser, kFullControl, "PC\\ann")});
    EXPECT_EQ(JudgeAccessList(inherited, kElevated),
              "it is writable by PC\\ann (S-1-5-21-1-2-3-1001), not by the administrators alone");
    EXPECT_EQ(JudgeAccessList(inherited, kUnsplit), "");

    // What the program makes: the user may read and run what is inside, nothing more.
    AccessList made = Owned(kSidAdministrators, {Allow(kSidAdministrators, kFullControl),
                                                 Allow(kSidLocalSystem, kFullControl),
                                                 Allow(kUser, kReadAndExecute)});
    EXPECT_EQ(JudgeAccessList(made, kElevated), "");

    // An owner may rewrite the list, whatever it says.
    AccessList userOwned = made;
    userOwned.owner = kUser;
    EXPECT_EQ(JudgeAccessList(userOwned, kElevated),
              "it belongs to S-1-5-21-1-2-3-1001, not to the administrators");
    EXPECT_EQ(JudgeAccessList(userOwned, kUnsplit), "");
    userOwned.owner = kSidTrustedInstaller;
    EXPECT_EQ(JudgeAccessList(userOwned, kElevated), "");
    EXPECT_FALSE(TrustedPrincipals("", false).count(""));
}

TEST(AccessList, EveryRightThatChangesTheDirectoryCountsAndNoOtherDoes) {
    // Adding files or folders, deleting children or the folder, attributes, the list, the
    // owner, and the generic and maximum rights that include them.
    for (std::uint32_t right : {0x00000002u, 0x00000004u, 0x00000010u, 0x00000040u, 0x00000100u, 0x00010000u,
                                0x00040000u, 0x00080000u, 0x02000000u, 0x10000000u, 0x40000000u}) {
        AccessList list = Owned(kSidAdministrators, {Allow(kEveryone, right, "Everyone")});
        EXPECT_EQ(JudgeAccessList(list, kUnsplit), "it is writable by Everyone (S-1-1-0), not by the administrators alone")
            << std::hex << right;
    }
    // Reading, listing, running, synchronising and the generic read and execute rights.
    AccessList reading = Owned(kSidAdministrators, {Allow(kEveryone, kReadAndExecute), Allow(kUsers, 0x00100000),
                                                    Allow(kUsers, 0x80000000 | 0x20000000)});
    EXPECT_EQ(JudgeAccessList(reading, kElevated), "");
}

TEST(AccessList, DenyEntriesNeverHelpAndAMissingListOpensTheDirectoryToAll) {
    // A deny entry only takes rights away: the allow entry for Users still stands.
    AccessList list = Owned(kSidAdministrators, {{false, kUsers, "", kFullControl}, Allow(kUsers, 0x00000002)});
    EXPECT_EQ(JudgeAccessList(list, kElevated), "it is writable by S-1-5-32-545, not by the administrators alone");
    AccessList none = Owned(kSidAdministrators, {});
    none.present = false;
    EXPECT_EQ(JudgeAccessList(none, kElevated), "it has no access list, so everyone may write to it");
}

}  // namespace
}  // namespace mendora::platform
