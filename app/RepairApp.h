#pragma once
#include <string>

#include "app/InstanceName.h"
#include "app/StartupPaths.h"
#include "platform/kernel/Kernel.h"

namespace mendora {

// The application object. Start() does all of start-up: the rights gate, then either the
// launcher (copy into the work directory, run the copy to its end) or the relocated copy
// (unpack the embedded files, run the dialog). It always answers false: no message loop
// follows. ExitStatus() then tells how it ended (app/ExitStatus.h).
// The process-wide slot of the claimed instance name.
InstanceSlot& ProcessInstanceSlot();

class RepairApp {
public:
    // The slot defaults to the process-wide one; tests hand in their own.
    explicit RepairApp(platform::Kernel& kernel, InstanceSlot& slot = ProcessInstanceSlot());
    bool Start();
    int ExitStatus() const { return exitStatus_; }

private:
    bool PassesGate();
    void RunLauncher(const StartupPaths& paths);
    void RunRelocatedCopy(const StartupPaths& paths);
    bool UnpackArchive(const std::string& workDirectory, const std::string& archiveName,
                       const std::string& outputName);
    bool RefuseUnlessPrivate(const std::string& directory);
    void Message(const std::string& text);

    platform::Kernel& kernel_;
    InstanceSlot& instanceSlot_;
    int exitStatus_ = 0;
};

}  // namespace mendora
