#pragma once
#include "platform/kernel/Kernel.h"
#include "platform/kernel/linux/LinuxAdminRights.h"
#include "platform/kernel/linux/LinuxClock.h"
#include "platform/kernel/linux/LinuxDebugOutput.h"
#include "platform/kernel/linux/InihProfileReader.h"
#include "platform/kernel/linux/LinuxFileSystem.h"
#include "platform/kernel/linux/LinuxModuleLoader.h"
#include "platform/kernel/linux/LinuxNamedMutexes.h"
#include "platform/kernel/linux/LinuxProcessHost.h"
#include "platform/kernel/linux/LinuxRegistry.h"
#include "platform/kernel/linux/LinuxTempRoot.h"
#include "platform/kernel/linux/LinuxVersionQuery.h"

namespace mendora::platform {

// The Linux host services, bound together with the resources of the executable, the
// user-interface host chosen at start and the OS build number to report.
struct LinuxKernel {
    LinuxKernel(Resources& resources, MessageHost& messages, std::uint32_t osBuild = kSupportedOsBuild)
        : version(osBuild),
          kernel{tempRoot, process, files,  mutexes,  version, rights,  resources,
                 debug,    clock,   messages, registry, profiles, events, modules} {}

    LinuxTempRoot tempRoot;
    LinuxProcessHost process;
    LinuxFileSystem files;
    LinuxNamedMutexes mutexes;
    LinuxVersionQuery version;
    LinuxAdminRights rights;
    LinuxDebugOutput debug;
    LinuxClock clock;
    LinuxRegistry registry;
    InihProfileReader profiles;
    NamedEvents events;
    LinuxModuleLoader modules{process};
    Kernel kernel;
};

}  // namespace mendora::platform
