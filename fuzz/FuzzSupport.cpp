#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzEngine.h"

#include <cstdio>

namespace mendora::fuzz {

void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}

std::string FreshDirectory(const std::string& name) {
    static testing::TempDir root;
    std::string path = root / name;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path);
    return path;
}

const std::string& EngineDirectory() {
    static const std::string directory = [] {
        std::string exe = FreshDirectory("engine");
        // Revert images whose RAM part the engine sends as it is; the drive judges them.
        std::string image(24576, '\xA5');
        for (const char* name : {"/RevertBoot/90/q90s.bin", "/RevertBoot/90/q90sa1.bin", "/RevertBoot/70/q70s.bin"}) {
            std::filesystem::create_directories(std::filesystem::path(exe + name).parent_path());
            testing::WriteBytes(exe + name, image);
        }
        return exe;
    }();
    return directory;
}

}  // namespace mendora::fuzz
