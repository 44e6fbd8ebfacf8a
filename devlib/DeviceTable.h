#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include "devlib/LibraryDevice.h"
#include "devlib/QdllApi.h"
#include "platform/kernel/NativeKernel.h"

namespace mendora::devlib {

// The device objects of the process by handle: 1, 2, ... in order of creation. Objects
// live as long as the module, so a handle never dangles.
class DeviceTable {
public:
    static DeviceTable& Instance();
    QdllHandle Create();
    // nullptr for a handle that was never handed out.
    LibraryDevice* Find(QdllHandle handle);

private:
    std::mutex mutex_;
    platform::NativeProcessHost process_;
    platform::NativeFileSystem files_;
    std::vector<std::unique_ptr<LibraryDevice>> devices_;
};

}  // namespace mendora::devlib
