#pragma once
#include <span>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/fake/FakeFileSystem.h"
#include "platform/kernel/fake/FakeMessageHost.h"
#include "platform/kernel/fake/FakeServices.h"
#include "platform/kernel/NativeKernel.h"

namespace mendora::platform {

// Every host service as a fake, bound together as a Kernel for the system under test.
struct FakeKernel {
    explicit FakeKernel(std::span<const ResourceEntry> resourceTable = {},
                        std::uint16_t language = kLangEnglish)
        : resources(resourceTable, language) {}

    FakeTempRoot tempRoot;
    FakeProcessHost process;
    FakeFileSystem files;
    FakeNamedMutexes mutexes;
    FakeVersionQuery version;
    FakeAdminRights rights;
    TableResources resources;
    FakeDebugOutput debug;
    FakeClock clock;
    FakeMessageHost messages;
    FakeRegistry registry;
    NativeProfileReader profiles;  // settings files are real files in the test's directory
    NamedEvents events;
    FakeModuleLoader modules;

    Kernel kernel{tempRoot, process, files,    mutexes,  version, rights,  resources,
                  debug,    clock,   messages, registry, profiles, events, modules};
};

}  // namespace mendora::platform
