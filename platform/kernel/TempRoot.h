#pragma once
#include <string>

namespace mendora::platform {

// The user's private temporary directory.
class TempRoot {
public:
    virtual ~TempRoot() = default;
    // The directory, ending with '/', with no link in it; empty when no private directory
    // can be had, and then *why says what is wrong with the candidate.
    virtual std::string Directory(std::string* why) = 0;
};

}  // namespace mendora::platform
