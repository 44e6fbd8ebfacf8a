#pragma once
// The judgement behind the private-directory check on hosts whose files carry a list of
// allow and deny entries per principal (Windows): whether anyone with fewer rights than
// this process may change the directory or what is in it. Hosts gather the facts; the
// verdict is made here, the same on every host, so that it can be tested anywhere.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace mendora::platform {

// Principals by their security identifiers.
inline constexpr const char* kSidAdministrators = "S-1-5-32-544";
inline constexpr const char* kSidLocalSystem = "S-1-5-18";
inline constexpr const char* kSidTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The rights of an access mask that change a directory or what is in it: adding files and
// subdirectories, deleting children or the directory, writing attributes, the access list
// or the owner, and the generic and maximum rights that include them.
inline constexpr std::uint32_t kChangingRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 |
                                                 0x00000100 | 0x00010000 | 0x00040000 | 0x00080000 |
                                                 0x02000000 | 0x10000000 | 0x40000000;

struct AccessEntry {
    bool allows = true;       // deny entries only ever take rights away
    std::string principal;    // "S-1-5-32-544"
    std::string name;         // the host's name for it, for messages; may be empty
    std::uint32_t rights = 0;
};

struct AccessList {
    std::string owner;
    std::string ownerName;
    bool present = true;  // no list at all lets everyone do everything
    std::vector<AccessEntry> entries;
};

// Who may change a directory this process uses: the administrators, SYSTEM and the
// installer service, and the user as well when none of the user's processes can have
// fewer rights than this one (no limited twin of an elevated token exists).
std::set<std::string> TrustedPrincipals(const std::string& user, bool userMayRunWithFewerRights);

// Empty when the owner and every principal given a changing right are trusted; otherwise
// why not, naming the first principal that is not.
std::string JudgeAccessList(const AccessList& list, const std::set<std::string>& trusted);

// The security descriptor, in the host's descriptor language, a private directory is made
// with: owned by the administrators, full control for the trusted principals, reading for
// the user otherwise, and nothing inherited from the parent.
std::string PrivateDirectoryDescriptor(const std::string& user, bool userMayRunWithFewerRights);

}  // namespace mendora::platform
