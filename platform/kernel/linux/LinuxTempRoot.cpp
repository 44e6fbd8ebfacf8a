#include "platform/kernel/linux/LinuxTempRoot.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/linux/LinuxFileSystem.h"

namespace mendora::platform {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsOursAndClosed(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0777) == 0700;
}

// The canonical spelling, so that the executable's own path (which the kernel reports
// without links) compares equal to paths built from this directory.
std::string Canonical(const std::string& dir) {
    char resolved[PATH_MAX];
    if (::realpath(dir.c_str(), resolved) == nullptr) return {};
    std::string out = resolved;
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

}  // namespace

std::string LinuxTempRoot::Directory(std::string* why) {
    std::string runtime = Env("XDG_RUNTIME_DIR");
    std::string candidate;
    if (!runtime.empty() && IsOursAndClosed(runtime)) {
        candidate = runtime;
    } else {
        std::string base = Env("TMPDIR");
        if (base.empty()) base = "/tmp";
        candidate = base + "/mendora-" + std::to_string(::geteuid());
        if (::mkdir(candidate.c_str(), 0700) != 0 && errno != EEXIST) {
            if (why) *why = candidate + ": cannot be created";
            return {};
        }
    }
    std::string problem = LinuxFileSystem().CheckPrivateDirectory(candidate);
    if (!problem.empty()) {
        if (why) *why = candidate + ": " + problem;
        return {};
    }
    std::string canonical = Canonical(candidate);
    if (canonical.empty() && why) *why = candidate + ": cannot be resolved";
    return canonical;
}

}  // namespace mendora::platform
