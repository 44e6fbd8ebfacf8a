#include "platform/kernel/AccessList.h"

namespace mendora::platform {
namespace {

std::string Named(const std::string& principal, const std::string& name) {
    return name.empty() ? principal : name + " (" + principal + ")";
}

}  // namespace

std::set<std::string> TrustedPrincipals(const std::string& user, bool userMayRunWithFewerRights) {
    std::set<std::string> trusted = {kSidAdministrators, kSidLocalSystem, kSidTrustedInstaller};
    if (!userMayRunWithFewerRights && !user.empty()) trusted.insert(user);
    return trusted;
}

std::string JudgeAccessList(const AccessList& list, const std::set<std::string>& trusted) {
    // An owner may always rewrite the list, whatever it says.
    if (!trusted.count(list.owner))
        return "it belongs to " + Named(list.owner, list.ownerName) + ", not to the administrators";
    if (!list.present) return "it has no access list, so everyone may write to it";
    for (const AccessEntry& entry : list.entries) {
        if (!entry.allows || (entry.rights & kChangingRights) == 0 || trusted.count(entry.principal)) continue;
        return "it is writable by " + Named(entry.principal, entry.name) + ", not by the administrators alone";
    }
    return {};
}

std::string PrivateDirectoryDescriptor(const std::string& user, bool userMayRunWithFewerRights) {
    // Object and container inheritance: what is made inside gets the same entries.
    std::string descriptor = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    if (!user.empty()) {
        // Full control, or reading, listing and running (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE).
        descriptor += std::string("(A;OICI;") + (userMayRunWithFewerRights ? "0x1200a9" : "FA") + ";;;" + user + ")";
    }
    return descriptor;
}

}  // namespace mendora::platform
