#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/EmbeddedFiles.h"
#include "app/RepairApp.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "resources/EmbeddedResources.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora {
namespace {

namespace fs = std::filesystem;
using Op = platform::FakeFileSystem::Op;
using testing::CountFiles;
using testing::ReadBytes;
using testing::WriteBytes;

// A relocated copy running from the work directory, with the executable's real resources.
class RelocatedCopy : public ::testing::Test {
protected:
    RelocatedCopy() : fake(EmbeddedResourceTable()) {}
    void SetUp() override {
        ::chmod(root.Path().c_str(), 0700);
        work = root / "UfdApp";
        ::mkdir(work.c_str(), 0700);
        fake.tempRoot.directory = root.Path() + "/";
        fake.process.executablePath = work + "/Mendrix.exe";
        fake.version.extended = platform::OsVersion{5, 1, 2600, 2, ""};
    }
    void Start() { EXPECT_FALSE(RepairApp(fake.kernel, slot).Start()); }
    std::string Embedded(std::uint16_t id) {
        auto bytes = fake.resources.Find(kBinaryFileType, id);
        return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : "";
    }

    testing::TempDir root;
    platform::FakeKernel fake;
    InstanceSlot slot;
    std::string work;
};

TEST_F(RelocatedCopy, WritesTheFiveFilesAndUnpacksBothArchives) {
    Start();
    EXPECT_TRUE(fake.messages.shown.empty());
    EXPECT_TRUE(fake.process.spawned.empty());
    EXPECT_EQ(ReadBytes(work + "/Device.ini"), "[Device]\r\nSelectDevice=QF70");
    const std::pair<const char*, std::uint16_t> files[] = {
        {"QDLL.dll", 151}, {"BootCode.r", 152}, {"Device.ini", 153}, {"deft70.esp", 154},
        {"RBootCode.r", 156}};
    for (auto [name, id] : files) {
        EXPECT_FALSE(Embedded(id).empty()) << name;
        EXPECT_EQ(ReadBytes(work + "/" + name), Embedded(id)) << name;
    }
    EXPECT_EQ(CountFiles(work + "/Boot"), 109);
    EXPECT_EQ(CountFiles(work + "/RevertBoot"), 15);
    EXPECT_EQ(fs::file_size(work + "/RevertBoot/default.ini"), 278u);
    for (const char* image : {"90/q90s.bin", "90/q90sa1.bin", "70/q70s.bin"}) {
        EXPECT_GE(fs::file_size(work + "/RevertBoot/" + image), 24576u) << image;
    }
}

TEST_F(RelocatedCopy, RecognisesTheWorkDirectoryInAnyLetterCaseWhereCaseDoesNotMatter) {
    fake.files.ignoresCase = true;
    fake.process.executablePath = root.Path() + "/uFDaPP/Mendrix.exe";
    ::mkdir((root / "uFDaPP").c_str(), 0700);
    Start();
    EXPECT_TRUE(fake.process.spawned.empty());
    EXPECT_EQ(fake.files.Calls(Op::CopyFile), 0);
    EXPECT_TRUE(fake.files.Lookup(root / "uFDaPP/Device.ini").exists);
}

TEST_F(RelocatedCopy, RestoresEveryFileOverEditsAndReadOnlyMarks) {
    Start();
    WriteBytes(work + "/Device.ini", "[Device]\r\nSelectDevice=FP\r\n");
    ::chmod((work + "/Device.ini").c_str(), 0400);
    WriteBytes(work + "/Boot/extra.bin", "left alone");
    std::string someEntry;
    for (auto& entry : fs::recursive_directory_iterator(work + "/Boot")) {
        if (entry.is_regular_file() && entry.path().filename() != "extra.bin") {
            someEntry = entry.path();
            break;
        }
    }
    std::string original = ReadBytes(someEntry);
    WriteBytes(someEntry, "edited");

    Start();
    EXPECT_EQ(ReadBytes(work + "/Device.ini"), "[Device]\r\nSelectDevice=QF70");
    EXPECT_EQ(ReadBytes(someEntry), original);
    EXPECT_EQ(ReadBytes(work + "/Boot/extra.bin"), "left alone");
}

TEST_F(RelocatedCopy, ReportsAnArchiveThatDoesNotOpen) {
    fake.files.Fail(Op::Open, work + "/BootCode.r");
    Start();
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, "Cannot open the boot code file");
    EXPECT_EQ(fake.messages.shown[0].caption, "Mendrix");
    EXPECT_FALSE(fake.files.Lookup(work + "/RBootCode.r").exists);
}

TEST_F(RelocatedCopy, RefusesAWorkDirectoryOthersCouldWriteTo) {
    ::chmod(work.c_str(), 0770);
    Start();
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_FALSE(fake.files.Lookup(work + "/QDLL.dll").exists);
}

TEST(EmbeddedFiles, MissingResourceGivesAnEmptyFileAndAPathWithoutDirectoryThrows) {
    testing::TempDir dir;
    platform::FakeKernel fake;
    fake.process.executablePath = dir / "Mendrix.exe";
    PlaceEmbeddedFile(fake.kernel, dir.Path(), "none.bin", 999);
    EXPECT_TRUE(fake.files.Lookup(dir / "none.bin").exists);
    EXPECT_EQ(ReadBytes(dir / "none.bin"), "");

    fake.process.executablePath = "Mendrix.exe";
    EXPECT_THROW(GetExeDirectory(fake.kernel), ExeLocationError);
    try {
        GetExeDirectory(fake.kernel);
    } catch (const ExeLocationError& error) {
        EXPECT_STREQ(error.what(), "Unable to get exe location");
    }
}

}  // namespace
}  // namespace mendora
