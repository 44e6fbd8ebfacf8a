#pragma once
#include "platform/kernel/AdminRights.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DebugOutput.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/MessageHost.h"
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/NamedEvents.h"
#include "platform/kernel/NamedMutex.h"
#include "platform/kernel/ProcessHost.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Registry.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/TempRoot.h"
#include "platform/kernel/VersionQuery.h"

namespace mendora::platform {

// The host services the system runs on, handed down from main() (or from a test).
struct Kernel {
    TempRoot& tempRoot;
    ProcessHost& process;
    FileSystem& files;
    NamedMutexes& mutexes;
    VersionQuery& version;
    AdminRights& rights;
    Resources& resources;
    DebugOutput& debug;
    Clock& clock;
    MessageHost& messages;
    Registry& registry;
    ProfileReader& profiles;
    NamedEvents& events;
    ModuleLoader& modules;
};

}  // namespace mendora::platform
