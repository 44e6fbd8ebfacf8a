// Another process for the drive lock tests:
//   drive-lock-holder try|hold <status file> <directory> <key>
// takes the key and writes "held" or "refused: <why>" to the status file (whole, by a
// rename); "try" then lets go and ends, "hold" keeps it until it is killed.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/platform/TestDriveLocks.h"

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string mode = argv[1], status = argv[2];
    auto locks = mendora::testing::DriveLocksIn(argv[3]);
    std::string error;
    auto lock = locks->TryLock(argv[4], &error);
    {
        std::ofstream(status + ".part") << (lock ? std::string("held") : "refused: " + error) << "\n";
    }
    std::filesystem::rename(status + ".part", status);
    if (lock && mode == "hold") {
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return lock ? 0 : 1;
}
