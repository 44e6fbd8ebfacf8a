#pragma once
#include <string>

namespace mendora::platform {

enum class MutexClaim { Created, AlreadyExists, AccessDenied, Failed };

// Machine-wide names held by a process until it ends.
class NamedMutexes {
public:
    virtual ~NamedMutexes() = default;
    // Creates the named mutex and keeps it for the rest of the process's life.
    virtual MutexClaim Create(const std::string& name) = 0;
};

}  // namespace mendora::platform
