#include "app/RepairApp.h"

#include "app/DialogRecords.h"
#include "app/EmbeddedFiles.h"
#include "app/ExitStatus.h"
#include "app/OsGate.h"
#include "app/RunOutcome.h"
#include "archive/BootArchive.h"
#include "console/ProcessState.h"
#include "console/RepairDialog.h"
#include "protocol/StringIds.h"

namespace mendora {
namespace {

constexpr std::size_t kStringBufferSize = 260;

}  // namespace

InstanceSlot& ProcessInstanceSlot() {
    static InstanceSlot slot;
    return slot;
}

RepairApp::RepairApp(platform::Kernel& kernel, InstanceSlot& slot)
    : kernel_(kernel), instanceSlot_(slot) {}

bool RepairApp::Start() {
    std::string executable = kernel_.process.ExecutablePath();
    SetApplicationName(BaseNameWithoutExtension(executable));
    if (!PassesGate()) return false;

    std::string why;
    std::string temp = kernel_.tempRoot.Directory(&why);
    if (temp.empty()) {
        Message("No private temporary directory can be used (" + why + "); nothing was written.");
        return false;
    }
    StartupPaths paths(temp, executable);
    try {
        if (paths.IsRelocatedCopy(kernel_.files)) {
            RunRelocatedCopy(paths);
        } else {
            RunLauncher(paths);
        }
    } catch (const ExeLocationError& error) {
        Message(error.what());
    }
    return false;
}

bool RepairApp::PassesGate() {
    std::uint32_t build = GetOsBuild(kernel_.version);
    RecordOsBuildNumber(build);
    if (build < kFirstGuardedBuild || build > kLastGuardedBuild) return true;
    if (IsUserAdmin(kernel_.rights) != 0) return true;
    Message(kernel_.resources.LoadString(kAdminRequiredString, kStringBufferSize));
    return false;
}

void RepairApp::RunLauncher(const StartupPaths& paths) {
    platform::FileSystem& files = kernel_.files;
    const std::string& work = paths.workDirectory;
    // Made private from the start. Something else under the name (a link, a file, a
    // directory another program made meanwhile) is judged below.
    std::string why;
    if (!files.Lookup(work).exists && !files.CreatePrivateDirectory(work, &why) && !files.Lookup(work).exists) {
        Message("The work directory " + work + " cannot be made: " + why + ". Nothing was copied or started.");
        return;
    }
    if (!RefuseUnlessPrivate(work)) return;
    if (!files.SetCurrentDirectory(work)) {
        Message("Change current dir failed!!");
        return;
    }
    // Where a directory some process works in cannot be renamed (Windows), the one entered
    // can no longer be swapped for another: judged again, what is used is what was judged.
    if (!RefuseUnlessPrivate(work)) return;
    if (files.Lookup(paths.relocatedExecutable).exists) files.SetArchiveOnly(paths.relocatedExecutable);

    // The source is the running executable's own path: argv[0] may be relative or bare.
    platform::FileError error;
    if (!files.CopyFile(paths.executable, paths.relocatedExecutable, &error)) {
        // Only a copy that runs there keeps its file from being replaced: that is the
        // program started before, and this start ends quietly. Anything else is said.
        if (!error.inUse) {
            Message("The program could not be copied into the work directory (" + error.text +
                    "). Nothing was started.");
            return;
        }
        if (ClaimInstanceName(kernel_.mutexes, kInstanceName, instanceSlot_) == 1) {
            // The running dialog carries its template title only until it has initialised.
            if (!kernel_.messages.ActivateWindow(kMainWindowTitle))
                kernel_.messages.ActivateWindow(kRenamedWindowTitle);
        }
        return;
    }
    if (!files.SetArchiveOnly(paths.relocatedExecutable)) {
        exitStatus_ = kExitRefused;
        return;
    }
    // The launcher waits for the copy, so that its exit status is the repair's.
    const std::optional<int> status = kernel_.process.RunToEnd(paths.relocatedExecutable);
    if (!status) {
        Message("Create process failed!!");
        return;
    }
    exitStatus_ = *status;
}

void RepairApp::RunRelocatedCopy(const StartupPaths& paths) {
    const std::string& work = paths.workDirectory;
    if (!RefuseUnlessPrivate(work)) return;
    PlaceEmbeddedFile(kernel_, work, "QDLL.dll", 151);
    PlaceEmbeddedFile(kernel_, work, "Device.ini", 153);
    PlaceEmbeddedFile(kernel_, work, "deft70.esp", 154);
    PlaceEmbeddedFile(kernel_, work, "BootCode.r", 152);
    if (!UnpackArchive(work, "BootCode.r", "Boot")) return;
    PlaceEmbeddedFile(kernel_, work, "RBootCode.r", 156);
    if (!UnpackArchive(work, "RBootCode.r", "RevertBoot")) return;

    // The dialog's boxes pass through the outcome, which tells how the dialog ended.
    RunOutcome outcome(kernel_.messages, kernel_.resources);
    platform::Kernel watched{kernel_.tempRoot, kernel_.process, kernel_.files,   kernel_.mutexes,
                             kernel_.version,  kernel_.rights,  kernel_.resources, kernel_.debug,
                             kernel_.clock,    outcome,         kernel_.registry, kernel_.profiles,
                             kernel_.events,   kernel_.modules};
    const auto records = DialogRecordsFromSettings(kernel_);
    RepairDialog dialog(watched, DialogServices{.recorder = records.get()});
    const auto code = dialog.DoModal();
    exitStatus_ = outcome.ExitStatus(static_cast<int>(code));
}

bool RepairApp::UnpackArchive(const std::string& workDirectory, const std::string& archiveName,
                              const std::string& outputName) {
    BootArchive archive(kernel_);
    if (archive.Open(workDirectory + "/" + archiveName, false) == 0) {
        Message("Cannot open the boot code file");
        return false;
    }
    std::string output = workDirectory + "/" + outputName;
    if (output.back() != '/') output += '/';
    archive.outputDirectory = output;
    if (archive.Rewind() == 0) {
        Message("Pointer reset failed");
        return false;
    }
    while (archive.ExtractNext() == 1) {
    }
    archive.Close();
    // Without every file the repair would stop half way, with the drive already erased.
    if (archive.WriteFailed()) {
        Message("The boot code could not be written completely into " + output +
                " (the disk may be full). Nothing was repaired.");
        return false;
    }
    return true;
}

// Nothing is copied, loaded or started in a directory that others could have planted
// files in or could swap under us.
bool RepairApp::RefuseUnlessPrivate(const std::string& directory) {
    std::string problem = kernel_.files.CheckPrivateDirectory(directory);
    if (problem.empty()) return true;
    Message("The work directory " + directory + " cannot be used: " + problem +
            ". Nothing was copied or started.");
    return false;
}

// Every box of start-up is a refusal: nothing was done to a drive.
void RepairApp::Message(const std::string& text) {
    exitStatus_ = kExitRefused;
    kernel_.messages.MessageBox(text, ApplicationName(), platform::MessageButtons::Ok);
}

}  // namespace mendora
