#pragma once
// The host services of the platform being built for, under host-neutral names, so that
// programs and the device library bind them without naming a host.
#if defined(_WIN32)
#include "platform/kernel/win32/Win32Kernel.h"
#else
#include "platform/kernel/TableResources.h"
#include "platform/kernel/linux/LinuxKernel.h"
#endif

#include <memory>
#include <span>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/ReportedOsBuild.h"

namespace mendora::platform {

#if defined(_WIN32)
using NativeKernel = Win32Kernel;
using NativeClock = Win32Clock;
using NativeProcessHost = Win32ProcessHost;
using NativeFileSystem = Win32FileSystem;
using NativeDebugOutput = Win32DebugOutput;
using NativeRegistry = Win32Registry;
using NativeProfileReader = Win32ProfileReader;

// The executable's own resources: its resource section, in the user's language. The table
// compiled in for other hosts is not needed here.
inline std::unique_ptr<Resources> ExecutableResources(std::span<const ResourceEntry>) {
    return std::make_unique<Win32Resources>(UserLanguage());
}
#else
using NativeKernel = LinuxKernel;
using NativeClock = LinuxClock;
using NativeProcessHost = LinuxProcessHost;
using NativeFileSystem = LinuxFileSystem;
using NativeDebugOutput = LinuxDebugOutput;
using NativeRegistry = LinuxRegistry;
using NativeProfileReader = InihProfileReader;

inline std::unique_ptr<Resources> ExecutableResources(std::span<const ResourceEntry> embedded) {
    return std::make_unique<TableResources>(embedded, UserLanguage());
}
#endif

}  // namespace mendora::platform
