#pragma once
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

namespace mendora::testing {

// A fresh private directory under the system's temporary directory, removed with the object.
class TempDir {
public:
    // Made with create_directory, which fails on an existing name, so a name another
    // process took is never shared. Paths use '/' on every host.
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        std::string base = std::filesystem::temp_directory_path().generic_string();
        if (!base.empty() && base.back() == '/') base.pop_back();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            std::string candidate = base + "/mendora-test-" + std::to_string(random() % 1000000000);
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
                path_ = candidate;
            }
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, without a trailing '/'.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace mendora::testing
