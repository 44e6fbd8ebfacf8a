#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/RepairApp.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora {
namespace {

using Op = platform::FakeFileSystem::Op;
using testing::ReadBytes;
using testing::WriteBytes;

// A launcher started from an install directory, with a private temporary root.
class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(root.Path().c_str(), 0700);
        ::mkdir((root / "tmp").c_str(), 0700);
        ::mkdir((root / "install").c_str(), 0700);
        executable = root / "install/mendora";
        WriteBytes(executable, std::string("\x7f" "ELF launcher image\r\n\0tail", 26));
        ::chmod(executable.c_str(), 0755);
        fake.tempRoot.directory = root / "tmp/";
        fake.process.executablePath = executable;
        fake.version.extended = platform::OsVersion{5, 1, 2600, 2, ""};
        work = root / "tmp/UfdApp";
        relocated = work + "/Mendrix.exe";
    }

    void Start() { EXPECT_FALSE(RepairApp(fake.kernel, slot).Start()); }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (auto& shown : fake.messages.shown) texts.push_back(shown.text);
        return texts;
    }

    testing::TempDir root;
    platform::FakeKernel fake;
    InstanceSlot slot;
    std::string executable, work, relocated;
};

TEST_F(Launcher, CopiesItselfIntoTheWorkDirectoryAndStartsTheCopy) {
    Start();
    EXPECT_TRUE(Texts().empty());
    // Made private from the start, never as a plain directory tightened afterwards.
    EXPECT_EQ(fake.files.Calls(Op::CreatePrivateDirectory), 1);
    EXPECT_EQ(fake.files.Calls(Op::CreateDirectory), 0);
    EXPECT_EQ(ReadBytes(relocated), ReadBytes(executable));
    struct stat st {};
    ASSERT_EQ(::stat(relocated.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // owner read, write and execute, nothing else
    EXPECT_EQ(fake.files.currentDirectory, work);
    EXPECT_EQ(fake.process.spawned, std::vector<std::string>{relocated});
    EXPECT_TRUE(fake.mutexes.created.empty());
}

// Where letter case tells directories apart, "ufdapp" is not the work directory: the
// program there is a launcher and relocates itself into "UfdApp".
TEST_F(Launcher, ADirectorySpelledInOtherLetterCaseIsNotTheWorkDirectory) {
    std::string other = root / "tmp/ufdapp";
    ::mkdir(other.c_str(), 0700);
    executable = other + "/Mendrix.exe";
    WriteBytes(executable, "image in the other directory");
    fake.process.executablePath = executable;
    Start();
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(ReadBytes(relocated), "image in the other directory");
    EXPECT_EQ(fake.process.spawned, std::vector<std::string>{relocated});
    EXPECT_FALSE(fake.files.Lookup(other + "/Device.ini").exists);
}

TEST_F(Launcher, ReplacesAReadOnlyStaleCopyByteForByte) {
    ::mkdir(work.c_str(), 0700);
    WriteBytes(relocated, "an older and much longer relocated executable image");
    ::chmod(relocated.c_str(), 0400);
    Start();
    EXPECT_EQ(ReadBytes(relocated), ReadBytes(executable));
    EXPECT_EQ(fake.process.spawned.size(), 1u);
}

TEST_F(Launcher, SaysWhyTheWorkDirectoryCannotBeMade) {
    // Something else under the name is named in the refusal, and left as it is.
    WriteBytes(work, "a file named like the work directory");
    Start();
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("it is not a directory"), std::string::npos) << Texts()[0];
    EXPECT_TRUE(fake.process.spawned.empty());
    EXPECT_EQ(ReadBytes(work), "a file named like the work directory");
    fake.messages.shown.clear();

    fake.files.Fail(Op::CreatePrivateDirectory);
    ::unlink(work.c_str());
    Start();
    EXPECT_EQ(Texts(), std::vector<std::string>{"The work directory " + work +
                                                " cannot be made: refused by the test. Nothing was copied or started."});
    EXPECT_TRUE(fake.process.spawned.empty());
}

TEST_F(Launcher, ReportsAFailedDirectoryChangeAndAFailedStart) {
    fake.files.Fail(Op::SetCurrentDirectory);
    Start();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Change current dir failed!!"});
    EXPECT_FALSE(fake.files.Lookup(relocated).exists);

    platform::FakeKernel second;
    second.tempRoot.directory = fake.tempRoot.directory;
    second.process.executablePath = executable;
    second.process.spawnFails = true;
    RepairApp(second.kernel, slot).Start();
    ASSERT_EQ(second.messages.shown.size(), 1u);
    EXPECT_EQ(second.messages.shown[0].text, "Create process failed!!");
    EXPECT_EQ(second.messages.shown[0].caption, "mendora");
}

// The launcher waits for the copy and ends as it did, so whoever started the program learns
// how the repair ended; a refusal of its own ends 2, a hand-over to a running copy 0.
TEST_F(Launcher, EndsWithTheExitStatusOfTheCopy) {
    for (int copyStatus : {0, 1, 2}) {
        fake.process.exitStatus = copyStatus;
        RepairApp app(fake.kernel, slot);
        app.Start();
        EXPECT_EQ(app.ExitStatus(), copyStatus);
    }
    EXPECT_EQ(fake.process.spawned.size(), 3u);

    fake.process.spawnFails = true;
    RepairApp failedStart(fake.kernel, slot);
    failedStart.Start();
    EXPECT_EQ(failedStart.ExitStatus(), 2);
    fake.process.spawnFails = false;

    fake.files.HoldInUse(relocated);
    fake.mutexes.answer = platform::MutexClaim::AlreadyExists;
    fake.process.exitStatus = 1;
    RepairApp handOver(fake.kernel, slot);
    handOver.Start();
    EXPECT_EQ(handOver.ExitStatus(), 0);

    fake.files.Fail(Op::SetCurrentDirectory);
    RepairApp refused(fake.kernel, slot);
    refused.Start();
    EXPECT_EQ(refused.ExitStatus(), 2);
}

// A copy that runs keeps its file from being replaced: the program started before.
TEST_F(Launcher, ACopyRunningThereClaimsTheNameAndMayBringItsWindowForward) {
    fake.files.HoldInUse(relocated);
    fake.mutexes.answer = platform::MutexClaim::AlreadyExists;
    Start();
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(fake.mutexes.created,
              std::vector<std::string>{"Quorvane-{8C8949E7-F928-4E90-B4BD-D709D274CC0E}"});
    // No window of the template title: the renamed dialog is asked for.
    EXPECT_EQ(fake.messages.activated, (std::vector<std::string>{"Mendrix", "Mendora"}));
    EXPECT_TRUE(fake.process.spawned.empty());

    platform::FakeKernel starting;
    starting.tempRoot.directory = fake.tempRoot.directory;
    starting.process.executablePath = executable;
    starting.files.HoldInUse(relocated);
    starting.mutexes.answer = platform::MutexClaim::AlreadyExists;
    starting.messages.windowExists = true;
    InstanceSlot other;
    RepairApp(starting.kernel, other).Start();
    EXPECT_EQ(starting.messages.activated, std::vector<std::string>{"Mendrix"});

    platform::FakeKernel alone;
    alone.tempRoot.directory = fake.tempRoot.directory;
    alone.process.executablePath = executable;
    alone.files.HoldInUse(relocated);
    InstanceSlot fresh;
    RepairApp(alone.kernel, fresh).Start();
    EXPECT_EQ(alone.mutexes.created.size(), 1u);
    EXPECT_TRUE(alone.messages.activated.empty());
    EXPECT_TRUE(alone.messages.shown.empty());
}

// Any other failed copy is no sign of a running program: it is said, with the path and the
// reason, and nothing is started or claimed.
TEST_F(Launcher, AFailedCopyIsReportedNeverTakenForARunningProgram) {
    fake.files.Fail(Op::CopyFile);
    fake.mutexes.answer = platform::MutexClaim::AlreadyExists;
    Start();
    EXPECT_EQ(Texts(), std::vector<std::string>{"The program could not be copied into the work directory (" + relocated +
                                                ": refused by the test). Nothing was started."});
    EXPECT_TRUE(fake.mutexes.created.empty());
    EXPECT_TRUE(fake.messages.activated.empty());
    EXPECT_TRUE(fake.process.spawned.empty());

    // The source itself unreadable (a folder name the host could not spell, a vanished file).
    platform::FakeKernel lost;
    lost.tempRoot.directory = fake.tempRoot.directory;
    lost.process.executablePath = root / "install/gone";
    InstanceSlot other;
    RepairApp(lost.kernel, other).Start();
    ASSERT_EQ(lost.messages.shown.size(), 1u);
    EXPECT_NE(lost.messages.shown[0].text.find(root / "install/gone: No such file or directory"), std::string::npos)
        << lost.messages.shown[0].text;
    EXPECT_TRUE(lost.process.spawned.empty());
}

TEST_F(Launcher, EndsSilentlyWhenTheFreshCopyCannotBeMarked) {
    fake.files.Fail(Op::SetArchiveOnly, relocated);
    Start();
    EXPECT_TRUE(Texts().empty());
    EXPECT_TRUE(fake.process.spawned.empty());
}

TEST_F(Launcher, RefusesADirectoryOthersCouldWriteTo) {
    ::mkdir(work.c_str(), 0700);
    ::chmod(work.c_str(), 0777);
    Start();
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("other users may write to it"), std::string::npos);
    EXPECT_FALSE(fake.files.Lookup(relocated).exists);
    EXPECT_TRUE(fake.process.spawned.empty());

    // As a host with access lists answers for a directory its users' other programs may
    // write to: named in the refusal, nothing copied into it.
    ::chmod(work.c_str(), 0700);
    fake.files.Expose(work, "it is writable by PC\\ann (S-1-5-21-1-2-3-1001), not by the administrators alone");
    fake.messages.shown.clear();
    Start();
    EXPECT_EQ(Texts(), std::vector<std::string>{"The work directory " + work +
                                                " cannot be used: it is writable by PC\\ann (S-1-5-21-1-2-3-1001), "
                                                "not by the administrators alone. Nothing was copied or started."});
    EXPECT_FALSE(fake.files.Lookup(relocated).exists);
    EXPECT_TRUE(fake.process.spawned.empty());

    ::rmdir(work.c_str());
    ::symlink((root / "install").c_str(), work.c_str());
    Start();  // a link is not a directory of ours: creating one fails, so nothing happens
    EXPECT_FALSE(fake.files.Lookup(root / "install/Mendrix.exe").exists);
    EXPECT_TRUE(fake.process.spawned.empty());
}

TEST_F(Launcher, RefusesWhenNoPrivateTemporaryDirectoryExists) {
    fake.tempRoot.directory.clear();
    Start();
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("refused by the test"), std::string::npos);
    EXPECT_EQ(fake.files.Calls(Op::CreatePrivateDirectory), 0);
}

TEST(InstanceName, ClaimsOnceAndKeepsTheSlot) {
    platform::FakeNamedMutexes mutexes;
    InstanceSlot slot;
    EXPECT_EQ(ClaimInstanceName(mutexes, "n", slot), 0);
    EXPECT_EQ(ClaimInstanceName(mutexes, "n", slot), 0);
    EXPECT_EQ(mutexes.created.size(), 1u);

    InstanceSlot other;
    mutexes.answer = platform::MutexClaim::AccessDenied;
    EXPECT_EQ(ClaimInstanceName(mutexes, "n", other), 1);
    EXPECT_FALSE(other.held);
    mutexes.answer = platform::MutexClaim::AlreadyExists;
    EXPECT_EQ(ClaimInstanceName(mutexes, "n", other), 1);
    EXPECT_TRUE(other.held);
    mutexes.answer = platform::MutexClaim::Failed;
    InstanceSlot third;
    EXPECT_EQ(ClaimInstanceName(mutexes, "n", third), 0);
}

}  // namespace
}  // namespace mendora
