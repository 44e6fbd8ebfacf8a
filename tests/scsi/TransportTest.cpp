#include <gtest/gtest.h>
#include <scsi/sg_pt.h>

#include <cerrno>

#include "platform/kernel/fake/FakeServices.h"
#include "tests/Environment.h"
#include "platform/scsi/DriveNamespace.h"
#include "platform/scsi/fake/FakeDiskHolders.h"
#include "platform/scsi/LinuxScsiTransport.h"
#include "platform/scsi/PassThroughRecord.h"
#include "platform/scsi/StallWait.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"

namespace mendora::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what the transport asks of the pass-through and answers as scripted.
struct StubPassThrough : SgPassThrough {
    Bytes cdb;
    int* callsSeen = nullptr;  // counts on after the stub itself is gone
    int senseCapacity = -1, inLength = -1, outLength = -1, timeout = -1;
    std::uint8_t* sense = nullptr;
    int doResult = 0, category = SCSI_PT_RESULT_GOOD, status = 0, resid = 0, senseLength = 0, osError = 0;
    void Clear() override {}
    void SetCdb(const std::uint8_t* c, int n) override { cdb.assign(c, c + n); }
    void SetSense(std::uint8_t* s, int n) override { sense = s, senseCapacity = n; }
    void SetDataIn(std::uint8_t*, int n) override { inLength = n; }
    void SetDataOut(const std::uint8_t*, int n) override { outLength = n; }
    int Do(int t) override {
        timeout = t;
        ++calls;
        if (callsSeen) ++*callsSeen;
        if (sense && senseLength > 0) sense[0] = 0x70, sense[2] = 0x05;
        return doResult;
    }
    int ResultCategory() override { return category; }
    int Status() override { return status; }
    int Resid() override { return resid; }
    int SenseLength() override { return senseLength; }
    int OsError() override { return osError; }
    int MaxTransferBytes() override { return maxTransfer; }
    int maxTransfer = 0, calls = 0;
};

TEST(LinuxScsiTransport, TranslatesRequestsAndKeepsErrorCategoriesApart) {
    auto owned = std::make_unique<StubPassThrough>();
    StubPassThrough& pt = *owned;
    LinuxScsiTransport t(std::move(owned));
    Bytes cdb = {0xF8, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1}, data(16);
    pt.status = 0x02, pt.senseLength = 18, pt.resid = 14;
    ScsiResult r = t.Execute({cdb, DataDirection::In, data, 200, 24});
    EXPECT_EQ(pt.cdb, cdb);
    EXPECT_EQ(pt.inLength, 16);
    EXPECT_EQ(pt.outLength, -1);
    EXPECT_EQ(pt.timeout, 200);
    EXPECT_EQ(pt.senseCapacity, 24);
    EXPECT_EQ(r.transport, TransportStatus::Ok);
    EXPECT_EQ(r.scsiStatus, 0x02);
    EXPECT_EQ(r.sense.size(), 18u);
    EXPECT_EQ(r.sense[2], 0x05);
    EXPECT_EQ(r.bytesMoved, 2u);

    pt.senseLength = 0;
    pt.doResult = SCSI_PT_DO_TIMEOUT;
    EXPECT_EQ(t.Execute({cdb, DataDirection::Out, data, 2, 0}).transport, TransportStatus::Timeout);
    EXPECT_EQ(pt.outLength, 16);
    pt.doResult = -ENODEV;
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 0}).transport, TransportStatus::NoDevice);
    pt.doResult = -EPERM;
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 0}).transport, TransportStatus::Os);
    pt.doResult = 0, pt.category = SCSI_PT_RESULT_TRANSPORT_ERR;
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 0}).transport, TransportStatus::Transport);
    pt.category = SCSI_PT_RESULT_OS_ERR, pt.osError = EIO;
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 0}).transport, TransportStatus::Os);
    Bytes seven(7);  // not a CDB length the pass-through carries
    EXPECT_EQ(t.Execute({seven, DataDirection::None, {}, 2, 0}).transport, TransportStatus::Os);
}

TEST(PassThroughRecords, BufferedAndDirectRecordsByteForByte) {
    Bytes reset = {0xF1, 0x10, 0x04, 0xFF, 0x01, 0, 0, 0, 0, 0};
    auto b = BufferedRecord({reset, 1, 8, 200, 24});
    Bytes head(b.begin(), b.begin() + 48);
    Bytes expected = {44, 0, 0, 0, 1, 0, 10, 24, 1, 0, 0, 0, 8, 0, 0, 0, 200, 0, 0, 0, 80, 0, 0, 0, 48, 0, 0, 0,
                      0xF1, 0x10, 0x04, 0xFF, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(head, expected);
    EXPECT_EQ(std::count(b.begin() + 48, b.end(), 0), 592 - 48);
    Bytes erase = {0xF5, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0x10};
    auto d = DirectRecord({erase, 1, 16, 200, 0}, 0x00401000);
    expected = {44, 0, 0, 0, 1, 0, 13, 0, 1, 0, 0, 0, 16, 0, 0, 0, 200, 0, 0, 0, 0x00, 0x10, 0x40, 0x00, 48, 0, 0, 0,
                0xF5, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0};
    EXPECT_EQ(Bytes(d.begin(), d.begin() + 44), expected);
    EXPECT_EQ(d.size(), 80u);
    EXPECT_EQ(BufferedOutputLength(1), 81u);
    EXPECT_EQ(BufferedInputLength(), 44u);

    // The driver's answer: ScsiStatus at byte 2 (byte 1 is the high byte of Length),
    // SenseInfoLength at 7, DataTransferLength at 12.
    std::array<std::uint8_t, 44> answered = {44, 0, 0x02, 0, 1, 0, 10, 18, 1, 0, 0, 0, 0x10, 0x02, 0, 0};
    RecordAnswer a = AnswerOf(answered);
    EXPECT_EQ(a.scsiStatus, 0x02);
    EXPECT_EQ(a.senseLength, 18);
    EXPECT_EQ(a.dataTransferLength, 0x210u);
}

TEST(LinuxScsiTransport, RefusesTransfersAboveTheNodesLimitBeforeTheKernel) {
    auto owned = std::make_unique<StubPassThrough>();
    StubPassThrough& pt = *owned;
    pt.maxTransfer = 120 * 1024;
    LinuxScsiTransport t(std::move(owned));
    Bytes cdb = {0xF8, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 1};
    Bytes within(64 * 1024), beyond(120 * 1024 + 512);
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, within, 200, 24}).transport, TransportStatus::Ok);
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, beyond, 200, 24}).transport, TransportStatus::Os);
    EXPECT_EQ(pt.calls, 1);
}

TEST(LinuxScsiTransport, FindsTheDriveAgainAfterItsNodeVanished) {
    FakeClock clock;
    auto first = std::make_unique<StubPassThrough>();
    int goneCalls = 0;  // the transport drops the stub of the vanished node
    first->callsSeen = &goneCalls;
    first->doResult = -ENODEV;
    int lookups = 0, comesBackAfter = 5;
    StubPassThrough* fresh = nullptr;
    LinuxScsiTransport t(
        std::move(first),
        [&]() -> std::unique_ptr<SgPassThrough> {
            if (++lookups < comesBackAfter) return nullptr;
            auto pt = std::make_unique<StubPassThrough>();
            fresh = pt.get();
            return pt;
        },
        &clock);
    Bytes cdb = {0xFC, 0, 0, 0, 1, 0, 0, 0, 0, 0}, data(1);
    // A query that met the vanished node is sent again on the new one, once, and its answer
    // says the device was reset.
    ScsiRequest query{cdb, DataDirection::In, data, 2, 24};
    query.repeatable = true;
    ScsiResult r = t.Execute(query);
    EXPECT_EQ(r.transport, TransportStatus::Ok);
    EXPECT_TRUE(r.afterReset);
    EXPECT_EQ(goneCalls, 1);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->calls, 1);
    EXPECT_EQ(fresh->cdb, cdb);
    EXPECT_EQ(clock.ticks, 4 * LinuxScsiTransport::kReattachPollMs);
    EXPECT_TRUE(t.Execute({cdb, DataDirection::In, data, 2, 24}).afterReset);

    // Pulled out for good: one wait of bounded length, then every command fails at once.
    fresh->doResult = -ENODEV;
    comesBackAfter = 1 << 30;
    std::uint64_t before = clock.ticks;
    EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 24}).transport, TransportStatus::NoDevice);
    EXPECT_EQ(clock.ticks - before, LinuxScsiTransport::kReattachPatienceMs);
    before = clock.ticks;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.Execute({cdb, DataDirection::In, data, 2, 24}).transport, TransportStatus::NoDevice);
    EXPECT_EQ(clock.ticks, before);

    // Without a way to find it again, a vanished drive is reported at once.
    auto lone = std::make_unique<StubPassThrough>();
    lone->doResult = -ENODEV;
    LinuxScsiTransport plain(std::move(lone), {}, &clock);
    before = clock.ticks;
    EXPECT_EQ(plain.Execute({cdb, DataDirection::In, data, 2, 24}).transport, TransportStatus::NoDevice);
    EXPECT_EQ(clock.ticks, before);
}

// A write, erase or RAM load may have reached the device before its node vanished: it is
// reported failed and never sent again, though the drive is found again for what follows.
TEST(LinuxScsiTransport, NeverRepeatsACommandThatCanChangeTheDrive) {
    FakeClock clock;
    auto first = std::make_unique<StubPassThrough>();
    first->doResult = -ENODEV;
    StubPassThrough* fresh = nullptr;
    LinuxScsiTransport t(
        std::move(first),
        [&]() -> std::unique_ptr<SgPassThrough> {
            auto pt = std::make_unique<StubPassThrough>();
            fresh = pt.get();
            return pt;
        },
        &clock);
    Bytes write = {0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, data(512);
    EXPECT_EQ(t.Execute({write, DataDirection::Out, data, 2, 24}).transport, TransportStatus::NoDevice);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->calls, 0);
    ScsiResult next = t.Execute({write, DataDirection::Out, data, 2, 24});
    EXPECT_EQ(next.transport, TransportStatus::Ok);
    EXPECT_TRUE(next.afterReset);
}

struct ListedDisks : UsbDiskFinder {
    std::vector<FoundDisk> disks;
    std::vector<FoundDisk> MakerDisks() override { return disks; }
};

TEST(VirtualScsiTransport, AStalledCommandWaitsItsTimeoutOrTheShorterWaitAsked) {
    testing::TempDir dir;
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(dir / "drive.img", testing::SmallSetup(), &error);
    ASSERT_TRUE(drive) << error;
    vdrive::FaultPlan stall;
    stall.kind = vdrive::format::FaultKind::Stall;
    stall.opcode = 0x00;
    ASSERT_TRUE(drive->AddFault(stall, &error)) << error;
    FakeClock clock;
    VirtualScsiTransport t(std::move(drive), clock);
    Bytes cdb = {0, 0, 0, 0, 0, 0};
    const auto stalled = [&](std::uint32_t timeout) {
        const std::uint64_t before = clock.ticks;
        EXPECT_EQ(t.Execute({cdb, DataDirection::None, {}, timeout, 24}).transport, TransportStatus::Timeout);
        return clock.ticks - before;
    };
    ::unsetenv(kStallWaitVariable);
    EXPECT_EQ(stalled(200), 200'000u);
    ::setenv(kStallWaitVariable, "50", 1);
    EXPECT_EQ(stalled(200), 50u);
    EXPECT_EQ(stalled(0), 0u);  // never longer than the timeout
    for (const char* unusable : {"", "-5", "5s", "99999999999999999999"}) {
        ::setenv(kStallWaitVariable, unusable, 1);
        EXPECT_EQ(stalled(2), 2000u) << unusable;
    }
    ::unsetenv(kStallWaitVariable);
}

TEST(DriveNamespace, LettersFromDVirtualFirstAndForeignDrivesRefused) {
    testing::TempDir dir;
    std::string error;
    vdrive::DriveSetup foreign = testing::SmallSetup();
    foreign.identity.inquiryVendor = "OTHERCO";
    ASSERT_TRUE(vdrive::VirtualDrive::Create(dir / "ours.img", testing::SmallSetup(), &error));
    ASSERT_TRUE(vdrive::VirtualDrive::Create(dir / "theirs.img", foreign, &error));
    ListedDisks disks;
    // The host's own name for a USB disk, unless a virtual drive has it; then its port.
    disks.disks = {{"/dev/sg3", "F:", "sdf", {"1-2", "S1", "", "", ""}},
                   {"/dev/sg4", "D:", "sdd", {"1-3", "S2", "", "", ""}}};
    FakeClock clock;
    DriveNamespace names({dir / "ours.img", dir / "theirs.img"}, disks, clock);
    auto drives = names.Drives();
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[0].name, "D:");
    EXPECT_EQ(drives[1].name, "E:");
    EXPECT_EQ(drives[2].name, "F:");
    EXPECT_EQ(drives[2].source, "/dev/sg3");
    EXPECT_EQ(drives[3].name, "1-3");
    EXPECT_EQ(drives[3].source, "/dev/sg4");

    auto ours = names.Open("\\\\.\\d:", &error);
    ASSERT_TRUE(ours) << error;
    Bytes cdb = {0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(ours->Execute({cdb, DataDirection::None, {}, 2, 24}).TransportOk());
    EXPECT_FALSE(names.Open("E:", &error));
    EXPECT_NE(error.find("OTHERCO"), std::string::npos) << error;
    EXPECT_NE(error.find("refused"), std::string::npos);
    EXPECT_FALSE(names.Open("G:", &error));

    mendora::testing::SetEnv(kVirtualDrivesVariable, std::string("a.img") + mendora::testing::kListSeparator + mendora::testing::kListSeparator + "b.img");
    EXPECT_EQ(DriveNamespace::ImagesFromEnvironment(), (std::vector<std::string>{"a.img", "b.img"}));
    mendora::testing::UnsetEnv(kVirtualDrivesVariable);
}

// A name stands for the drive it first named: another drive that has taken the name since
// is refused before anything is sent, and a drive is found again by its port and serial.
TEST(DriveNamespace, ANameIsBoundToItsDriveAndADriveIsFoundByItsPlace) {
    ListedDisks disks;
    const DriveIdentity first{"1-1", "SAME", "", "", ""}, second{"1-2", "SAME", "", "", ""};
    disks.disks = {{"/dev/sg1", "B:", "sdb", first}, {"/dev/sg2", "C:", "sdc", second}};
    FakeClock clock;
    FakeDiskHolders holders;
    holders.uses["sdb"] = {};
    DriveNamespace names({}, disks, clock, &holders);
    std::string error;
    ASSERT_TRUE(names.Pin("b:", &error)) << error;

    // The first drive re-plugged as sdd while the second took sdb.
    disks.disks = {{"/dev/sg2", "B:", "sdb", second}, {"/dev/sg1", "D:", "sdd", first}};
    EXPECT_FALSE(names.Open("B:", &error));
    EXPECT_NE(error.find("B: is no longer the drive that was identified"), std::string::npos) << error;
    auto found = names.Find(first, &error);
    ASSERT_TRUE(found) << error;
    EXPECT_EQ(found->name, "D:");
    EXPECT_EQ(found->source, "/dev/sg1");

    // Two drives that answer at one place cannot be told apart: none is chosen.
    disks.disks.push_back({"/dev/sg3", "E:", "sde", first});
    EXPECT_FALSE(names.Find(first, &error));
    EXPECT_NE(error.find("more than one drive"), std::string::npos) << error;
    EXPECT_FALSE(names.Find({"9-9", "SAME", "", "", ""}, &error));
}

// A disk the system uses is refused, naming its uses, unless they may be ended first.
TEST(DriveNamespace, ADiskTheSystemUsesIsRefusedUnlessItMayBeUnmounted) {
    ListedDisks disks;
    disks.disks = {{"/dev/sg1", "B:", "sdb", {"1-1", "S1", "", "", ""}}};
    FakeClock clock;
    FakeDiskHolders holders;
    holders.uses["sdb"] = {{"/media/stick"}, {}, {}};
    std::string error;
    DriveNamespace refusing({}, disks, clock, &holders);
    EXPECT_FALSE(refusing.Pin("B:", &error));
    EXPECT_NE(error.find("mounted at /media/stick"), std::string::npos) << error;
    EXPECT_TRUE(holders.released.empty());

    holders.releaseFailures = {"/media/stick: Device or resource busy"};
    DriveNamespace busy({}, disks, clock, &holders);
    EXPECT_FALSE(busy.Pin("B:", &error, true));
    EXPECT_NE(error.find("Device or resource busy"), std::string::npos) << error;

    holders.releaseFailures.clear();
    DriveNamespace unmounting({}, disks, clock, &holders);
    EXPECT_TRUE(unmounting.Pin("B:", &error, true)) << error;
    EXPECT_EQ(holders.released, (std::vector<std::string>{"sdb", "sdb"}));
}

TEST(DriveNamespace, AConfinedProcessSeesItsOwnDriveAlone) {
    ListedDisks disks;
    const DriveIdentity mine{"1-4.2", "S2", "", "", ""};
    disks.disks = {{"/dev/sg1", "B:", "sdb", {"1-4.1", "S1", "", "", ""}}, {"/dev/sg2", "C:", "sdc", mine}};
    FakeClock clock;
    mendora::testing::SetEnv(kOnlyDriveVariable, mine.Key());
    DriveNamespace names({}, disks, clock);
    mendora::testing::UnsetEnv(kOnlyDriveVariable);
    auto drives = names.Drives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].name, "C:");
    EXPECT_TRUE(drives[0].identity.SamePlace(mine));
    EXPECT_EQ(IdentityFromKey(mine.Key()).serial, "S2");
}

}  // namespace
}  // namespace mendora::platform
