#pragma once
// The Win32 host services. <windows.h> stays in the sources: its macros clash with the
// system's own names (LoadString, CreateDirectory, CopyFile, MessageBox).
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/AccessList.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/ReportedOsBuild.h"

namespace mendora::platform {

// A file handle owned by the object; closed on destruction.
class Win32File : public File {
public:
    explicit Win32File(void* handle) : handle_(handle) {}
    ~Win32File() override;
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    long Read(void* buffer, std::size_t count) override;
    long Write(const void* buffer, std::size_t count) override;
    bool Seek(std::uint64_t position) override;
    std::uint64_t Position() override;
    std::uint64_t Length() override;

private:
    void* handle_;
};

// Paths arrive as UTF-8 with '/' and are handed to the W functions as UTF-16 with '\'.
// Names compare without regard to case, as NTFS and FAT do. "No sharing" is the share
// mode 0 of CreateFile.
class Win32FileSystem : public FileSystem {
public:
    PathInfo Lookup(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool SetArchiveOnly(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to, FileError* error) override;
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> CreateScratch(const std::string& directory, const std::string& prefix,
                                        std::string* path) override;
    bool IsWritable(const std::string& path) override;
    std::optional<std::uint64_t> SizeOf(const std::string& path) override;
    bool CreatePrivateDirectory(const std::string& path, std::string* why) override;
    std::string CheckPrivateDirectory(const std::string& path) override;
    std::optional<std::vector<DirectoryEntry>> List(const std::string& path) override;
    bool SameSpelling(const std::string& a, const std::string& b) override;
};

// The entries of a security descriptor's access list and its owner, as the judgement of
// AccessList.h takes them.
AccessList AccessListOf(const void* descriptor);
// The verdict on a directory's security descriptor for a token of the user (see
// TrustedPrincipals): empty when only trusted principals own it or may change it.
std::string JudgeDirectorySecurity(const void* descriptor, const std::string& user, bool userMayRunWithFewerRights);

// GetTempPath, in its long spelling with '/' separators: the user's own folder, checked to
// be a real directory. The work directory made inside it carries its own access list.
class Win32TempRoot : public TempRoot {
public:
    std::string Directory(std::string* why) override;
};

// The name of the event a child started through ChildProcess is sent its stop requests by;
// its StopRequests waits on it.
std::wstring ChildStopEventName(std::uint32_t processId);

class Win32ProcessHost : public ProcessHost {
public:
    std::string ExecutablePath() override;
    bool Spawn(const std::string& path) override;
    std::optional<int> RunToEnd(const std::string& path) override;
};

// CreateMutexA; the handles stay open until the process ends.
class Win32NamedMutexes : public NamedMutexes {
public:
    ~Win32NamedMutexes() override;
    MutexClaim Create(const std::string& name) override;

private:
    std::mutex mutex_;
    std::vector<void*> held_;
};

// GetVersionEx, or a fixed build number when one is given (tests).
class Win32VersionQuery : public VersionQuery {
public:
    explicit Win32VersionQuery(std::uint32_t build = kOsBuildFromHost) : build_(build) {}
    std::optional<OsVersion> Query(VersionRecord record) override;

private:
    std::uint32_t build_;
};

// Membership of the built-in Administrators group (CheckTokenMembership).
class Win32AdminRights : public AdminRights {
public:
    std::optional<bool> IsAdministrator() override;
};

// OutputDebugString, and like on other hosts MENDORA_DEBUG=1 (stderr) or =<path> (appended).
class Win32DebugOutput : public DebugOutput {
public:
    Win32DebugOutput();
    void Write(const std::string& line) override;

private:
    std::mutex mutex_;
    std::string target_;
};

class Win32Clock : public Clock {
public:
    std::uint64_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    std::int64_t CalendarTime() override;
    TimeOfDay LocalTimeOfDay() override;
};

// HKEY_CURRENT_USER through RegOpenKeyEx / RegQueryValueEx.
class Win32Registry : public Registry {
public:
    std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) override;
};

// GetPrivateProfileSectionNames / GetPrivateProfileString.
class Win32ProfileReader : public ProfileReader {
public:
    std::vector<std::string> SectionNames(const std::string& path, std::size_t bufferSize) override;
    std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t bufferSize) override;
    int GetInt(const std::string& path, const std::string& section, const std::string& key, int fallback) override;
};

// LoadLibraryA of "<module>.dll" beside the executable, by its full path.
class Win32ModuleLoader : public ModuleLoader {
public:
    explicit Win32ModuleLoader(ProcessHost& process) : process_(process) {}
    ModuleLoad Load(const std::string& moduleName) override;

private:
    ProcessHost& process_;
};

// The resources linked into the running executable (FindResource / LoadResource); string
// tables in the given language, else in English, as UTF-8.
class Win32Resources : public Resources {
public:
    explicit Win32Resources(std::uint16_t language) : language_(language) {}
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type, std::uint16_t id) override;
    std::string LoadString(std::uint16_t id, std::size_t bufferSize) override;

private:
    std::uint16_t language_;
};

// The bytes of a resource of the running executable in exactly this language; empty when
// there is none.
std::optional<std::span<const std::uint8_t>> ModuleResource(std::string_view type, std::uint16_t id,
                                                             std::uint16_t language);

// The Win32 host services, bound together with the resources of the executable, the
// user-interface host chosen at start and the OS build number to report.
struct Win32Kernel {
    Win32Kernel(Resources& resources, MessageHost& messages, std::uint32_t osBuild = kOsBuildFromHost)
        : version(osBuild),
          kernel{tempRoot, process, files,  mutexes,  version, rights,  resources,
                 debug,    clock,   messages, registry, profiles, events, modules} {}

    Win32TempRoot tempRoot;
    Win32ProcessHost process;
    Win32FileSystem files;
    Win32NamedMutexes mutexes;
    Win32VersionQuery version;
    Win32AdminRights rights;
    Win32DebugOutput debug;
    Win32Clock clock;
    Win32Registry registry;
    Win32ProfileReader profiles;
    NamedEvents events;
    Win32ModuleLoader modules{process};
    Kernel kernel;
};

}  // namespace mendora::platform
