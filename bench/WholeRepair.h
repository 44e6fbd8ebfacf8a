#pragma once
// A whole repair as a user runs it: mendora in the terminal host on a virtual drive, in a
// private temporary root of its own. The relocated copy, which runs the dialog, is watched
// from outside through /proc until it ends.
#include <string>
#include <vector>

namespace mendora::bench {

// A fresh 0700 directory, removed with the object.
class PrivateRoot {
public:
    PrivateRoot();
    ~PrivateRoot();
    PrivateRoot(const PrivateRoot&) = delete;
    PrivateRoot& operator=(const PrivateRoot&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The directory of the running benchmark, where the other executables are built too.
std::string BinDirectory();

// Runs a program to its end, stdout and stderr into outFile; answers its exit code (-1 when
// it could not run or was killed).
int RunProgram(const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::string& outFile);

double Now();

struct RepairOutcome {
    bool complete = false;           // ended with "Repair complete, Please un-plug device"
    double seconds = 0;              // from the start of the launcher to the end of the dialog
    std::string output;
};

// Creates nothing: the image must exist. Runs the repair of it to the end.
RepairOutcome RunWholeRepair(const std::string& image, const std::string& root);

}  // namespace mendora::bench
