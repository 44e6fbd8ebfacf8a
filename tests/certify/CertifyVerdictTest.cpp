// The certify's verdicts on virtual drives that tell the truth and on each kind that lies,
// in both modes, and what the drive holds afterwards.
#include <gtest/gtest.h>

#include <vector>

#include "certify/Certify.h"
#include "protocol/DiskCommands.h"
#include "tests/certify/CertifyDrives.h"

namespace mendora {
namespace {

using certify::Mode;
using certify::VerdictKind;
using testing::CertifyDrive;

constexpr std::uint64_t kHeld = 1024;             // sectors of the drive with no bad block
constexpr std::uint64_t kHeldWithTwoBad = 1024 - 2 * 16;

certify::CertifyResult CertifyWith(CertifyDrive& d, Mode mode, std::size_t largestTransfer = 64) {
    certify::CertifyOptions options;
    options.mode = mode;
    options.largestTransfer = static_cast<std::uint32_t>(largestTransfer);
    certify::Progress progress;
    return certify::Certify(*d.transport, options, progress);
}

class CertifyVerdict : public ::testing::TestWithParam<Mode> {};

TEST_P(CertifyVerdict, AnHonestDriveIsCertifiedWithItsCapacity) {
    CertifyDrive d;
    auto r = CertifyWith(d, GetParam());
    EXPECT_EQ(r.verdict, "certified");
    EXPECT_EQ(r.findings.realSectors, kHeld);
    EXPECT_EQ(r.findings.announcedSectors, kHeld);
    EXPECT_TRUE(r.Passed());
}

// Announcing the flash's power of two while two blocks are bad: the addresses past the
// disk held keep nothing, and nothing wraps within what is announced.
TEST_P(CertifyVerdict, ADriveHoldingLessThanItAnnouncesHasFakeCapacityAndItsRealSize) {
    CertifyDrive d(2, kHeld);
    auto r = CertifyWith(d, GetParam());
    EXPECT_EQ(r.verdict, "fake capacity");
    EXPECT_EQ(r.findings.realSectors, kHeldWithTwoBad);
    EXPECT_EQ(r.findings.announcedSectors, kHeld);
    EXPECT_TRUE(r.findings.lost.empty());
}

TEST_P(CertifyVerdict, ADriveAnnouncingFourTimesItsFlashWrapsAroundAtTheFlash) {
    CertifyDrive d(0, 4 * kHeld);
    auto r = CertifyWith(d, GetParam());
    EXPECT_EQ(r.verdict, "wraps around at sector 1024 (0.5 MiB)");
    EXPECT_EQ(r.findings.realSectors, kHeld);
}

// Bad blocks and a wrap at once: the wrap is the flash's power of two, the real size the
// disk held below it.
TEST_P(CertifyVerdict, AWrapAboveBadBlocksTellsBothTheWrapAndTheRealSize) {
    CertifyDrive d(2, 8 * kHeld);
    auto r = CertifyWith(d, GetParam());
    EXPECT_EQ(r.kind, VerdictKind::WrapsAround);
    EXPECT_EQ(r.findings.wrapSector, kHeld);
    EXPECT_EQ(r.findings.realSectors, kHeldWithTwoBad);
}

TEST_P(CertifyVerdict, NotReadyAsADiskBeforeAFormat) {
    CertifyDrive d;
    std::string error;
    // A revert's erase loses the disk; the drive then answers READ CAPACITY with NOT READY.
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 64, 4, 4};
    auto unformatted = vdrive::VirtualDrive::Create(d.dir / "raw.img", setup, &error);
    platform::VirtualScsiTransport raw(std::move(unformatted), d.clock);
    certify::Progress progress;
    auto r = certify::Certify(raw, certify::CertifyOptions{GetParam()}, progress);
    EXPECT_EQ(r.verdict, "not ready as a disk");
    EXPECT_EQ(progress.bytesWritten.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, CertifyVerdict, ::testing::Values(Mode::Quick, Mode::Full),
                         [](const auto& info) { return std::string(certify::ModeName(info.param)); });

TEST(CertifyLostSectors, TheFullCertifyCountsEverySectorThatReadsBackWrong) {
    CertifyDrive d(0, 0, 5);
    auto r = CertifyWith(d, Mode::Full);
    EXPECT_EQ(r.verdict, "data lost: 5 sectors");
    EXPECT_EQ(r.findings.realSectors, kHeld);
    ASSERT_EQ(certify::CountOf(r.findings.lost), 5u);
}

// The quick certify sees only the lost sectors its positions fall on: a share of them,
// never more, and never a lost sector taken for the end of the capacity.
TEST(CertifyLostSectors, TheQuickCertifyCountsTheLostSectorsItMeets) {
    CertifyDrive d(0, 0, 200);
    auto r = CertifyWith(d, Mode::Quick);
    EXPECT_EQ(r.kind, VerdictKind::DataLost);
    EXPECT_EQ(r.findings.realSectors, kHeld);
    const std::uint64_t found = certify::CountOf(r.findings.lost);
    EXPECT_GT(found, 0u);
    EXPECT_LE(found, 200u);
    EXPECT_EQ(r.verdict, "data lost: " + std::to_string(found) + " sectors");
}

std::vector<std::uint8_t> ReadAll(CertifyDrive& d, std::uint64_t sectors) {
    std::vector<std::uint8_t> bytes(sectors * 512);
    for (std::uint64_t at = 0; at < sectors; at += 64) {
        std::span<std::uint8_t> part(bytes.data() + at * 512, 64 * 512);
        auto cdb = disk::ReadWrite10Cdb(disk::kRead10, static_cast<std::uint32_t>(at), 64);
        vdrive::Command c{cdb, vdrive::Direction::In, part, 10};
        EXPECT_EQ(d.drive().Execute(c).status, 0);
    }
    return bytes;
}

void WriteSomething(CertifyDrive& d, std::uint64_t sectors) {
    std::vector<std::uint8_t> bytes(64 * 512);
    for (std::uint64_t at = 0; at < sectors; at += 64) {
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + at);
        auto cdb = disk::ReadWrite10Cdb(disk::kWrite10, static_cast<std::uint32_t>(at), 64);
        vdrive::Command c{cdb, vdrive::Direction::Out, bytes, 10};
        d.drive().Execute(c);
    }
}

// What the quick certify overwrites it writes back, on an honest drive and on one whose
// addresses alias: the disk holds, byte for byte, what it held before.
TEST(CertifyRestore, TheQuickCertifyLeavesEveryByteAsItWas) {
    for (std::uint64_t announced : {std::uint64_t{0}, 4 * kHeld}) {
        CertifyDrive d(0, announced);
        WriteSomething(d, kHeld);
        const auto before = ReadAll(d, kHeld);
        auto r = CertifyWith(d, Mode::Quick);
        EXPECT_TRUE(r.restored);
        EXPECT_EQ(ReadAll(d, kHeld), before) << "announced " << announced;
    }
}

TEST(CertifyRestore, AStopRequestStillWritesBackWhatWasOverwritten) {
    CertifyDrive d;
    WriteSomething(d, kHeld);
    const auto before = ReadAll(d, kHeld);
    std::atomic<bool> stop{true};
    certify::CertifyOptions options;
    options.stop = &stop;
    certify::Progress progress;
    auto r = certify::Certify(*d.transport, options, progress);
    EXPECT_EQ(r.verdict, "interrupted");
    EXPECT_EQ(ReadAll(d, kHeld), before);
}

// Transfers larger than the disk, or that end mid-way, still cover each sector once.
TEST(CertifyFull, EveryTransferSizeCoversTheDiskOnce) {
    for (std::size_t transfer : {1u, 7u, 2048u}) {
        CertifyDrive d;
        certify::CertifyOptions options;
        options.mode = Mode::Full;
        options.largestTransfer = static_cast<std::uint32_t>(transfer);
        certify::Progress progress;
        auto r = certify::Certify(*d.transport, options, progress);
        EXPECT_EQ(r.verdict, "certified") << transfer;
        EXPECT_EQ(progress.bytesWritten.load(), kHeld * 512);
        EXPECT_EQ(progress.bytesRead.load(), kHeld * 512);
        EXPECT_DOUBLE_EQ(progress.Fraction(), 1.0);
    }
}

}  // namespace
}  // namespace mendora
