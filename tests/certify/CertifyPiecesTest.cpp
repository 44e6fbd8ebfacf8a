// The certify's pieces: the commands it sends, byte for byte; the stamps; the quick plan;
// how alias distances and holes make the findings; the host's transfer limit.
#include <gtest/gtest.h>

#include <vector>

#include "certify/Certify.h"
#include "certify/DiskAccess.h"
#include "certify/ProbePlan.h"
#include "certify/Readings.h"
#include "certify/Stamp.h"
#include "tests/certify/CertifyDrives.h"

namespace mendora {
namespace {

using certify::Mode;

// Passes commands on to a drive, keeping the CDB of each it carries; refuses at the host any transfer above
// `limit` bytes, as SG_IO does above the queue's sector limit.
class RecordingTransport : public platform::ScsiTransport {
public:
    RecordingTransport(platform::ScsiTransport& inner, std::size_t limit, bool tellsLimit)
        : inner_(inner), limit_(limit), tellsLimit_(tellsLimit) {}
    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        if (request.data.size() > limit_) {
            ++refused;
            platform::ScsiResult r;
            r.transport = platform::TransportStatus::Os;
            return r;
        }
        cdbs.emplace_back(request.cdb.begin(), request.cdb.end());
        return inner_.Execute(request);
    }
    std::size_t MaxTransferBytes() const override { return tellsLimit_ ? limit_ : 0; }

    std::vector<std::vector<std::uint8_t>> cdbs;
    int refused = 0;

private:
    platform::ScsiTransport& inner_;
    std::size_t limit_;
    bool tellsLimit_;
};

TEST(CertifyCommands, ReadCapacityReadAndWriteCarryTheStandardCdbs) {
    testing::CertifyDrive d;
    RecordingTransport t(*d.transport, 1 << 20, true);
    certify::DiskAccess disk(t);
    auto announced = disk.ReadCapacity();
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->sectors, 1024u);
    EXPECT_EQ(announced->sectorBytes, 512u);
    std::vector<std::uint8_t> data(3 * 512);
    EXPECT_EQ(disk.Write(0x01020304 & 0x3FF, 3, data), certify::Transfer::Done);
    EXPECT_EQ(disk.Read(0x3FD, 3, data), certify::Transfer::Done);
    EXPECT_EQ(disk.Read(0x12345678, 0x0102, data), certify::Transfer::Refused);  // beyond the disk
    ASSERT_EQ(t.cdbs.size(), 4u);
    EXPECT_EQ(t.cdbs[0], (std::vector<std::uint8_t>{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(t.cdbs[1], (std::vector<std::uint8_t>{0x2A, 0, 0x00, 0x00, 0x03, 0x04, 0, 0x00, 0x03, 0}));
    EXPECT_EQ(t.cdbs[2], (std::vector<std::uint8_t>{0x28, 0, 0x00, 0x00, 0x03, 0xFD, 0, 0x00, 0x03, 0}));
    EXPECT_EQ(t.cdbs[3], (std::vector<std::uint8_t>{0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0x01, 0x02, 0}));
}

// The host's limit, told or found by a refusal, bounds every transfer; the certify ends
// as it would with any size.
TEST(CertifyCommands, TransfersStayWithinTheHostsLimit) {
    for (bool tells : {true, false}) {
        testing::CertifyDrive d;
        RecordingTransport t(*d.transport, 16 * 512, tells);
        certify::CertifyOptions options;
        options.mode = Mode::Full;
        options.largestTransfer = 100;
        certify::Progress progress;
        auto r = certify::Certify(t, options, progress);
        EXPECT_EQ(r.verdict, "certified");
        EXPECT_EQ(t.refused, tells ? 0 : 3);  // 100, 50, 25 sectors refused once each
        for (const auto& cdb : t.cdbs)
            if (cdb[0] == 0x28 || cdb[0] == 0x2A) EXPECT_LE(cdb[7] << 8 | cdb[8], 16);
    }
}

TEST(CertifyStamp, AStampNamesItsPositionAndNothingElsePassesForIt) {
    std::uint8_t sector[512];
    certify::FillStamp(sector, 0x123456789A, 7);
    EXPECT_EQ(certify::StampedPosition(sector, 7), 0x123456789Au);
    EXPECT_FALSE(certify::StampedPosition(sector, 8));  // another run
    std::uint8_t other[512];
    certify::FillStamp(other, 0x123456789B, 7);
    EXPECT_NE(std::memcmp(sector + 24, other + 24, 488), 0);
    sector[300] ^= 0x10;
    EXPECT_FALSE(certify::StampedPosition(sector, 7));
    std::uint8_t zeros[512] = {};
    EXPECT_FALSE(certify::StampedPosition(zeros, 0));
}

TEST(CertifyPlan, TheQuickPlanHoldsBothSidesOfEveryPowerOfTwoAndTheEnds) {
    auto plan = certify::QuickPositions(1000, 5, 10);
    for (std::uint64_t p : {0ull, 999ull, 511ull, 512ull, 255ull, 256ull, 1ull, 2ull}) {
        EXPECT_TRUE(std::binary_search(plan.begin(), plan.end(), p)) << p;
    }
    EXPECT_TRUE(std::is_sorted(plan.begin(), plan.end()));
    EXPECT_EQ(std::adjacent_find(plan.begin(), plan.end()), plan.end());
    EXPECT_LE(plan.back(), 999u);
    EXPECT_EQ(plan, certify::QuickPositions(1000, 5, 10));
    EXPECT_NE(plan, certify::QuickPositions(1000, 6, 10));
}

TEST(CertifyReadings, AliasDistancesGiveTheWrapAndHolesBelowTheRealSizeAreLost) {
    certify::Readings r(4096);
    r.Saw(0, 2048);   // sector 0 holds what was written at 2048: distance 2048
    r.Saw(10, 10);
    r.Saw(11, std::nullopt);
    r.Saw(12, 12);
    r.Saw(1034, 3082);  // distance 2048 again
    r.Saw(1100, 100);   // distance 1000: only 8 divides both
    EXPECT_EQ(r.AliasPeriod(), 8u);
    certify::Readings w(4096);
    w.Saw(0, 3072);
    w.Saw(1024, 3072);
    EXPECT_EQ(w.AliasPeriod(), 1024u);
    EXPECT_EQ(r.HeldBelow(4096), 1101u);
    EXPECT_EQ(r.HeldBelow(1000), 13u);
    auto lost = r.LostBelow(13);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].first, 11u);
    EXPECT_EQ(certify::CountOf(r.LostBelow(11)), 0u);
}

TEST(CertifyVerdictTexts, EachKindHasItsText) {
    certify::Findings f;
    f.announcedSectors = f.realSectors = 2048;
    EXPECT_EQ(certify::VerdictText(f), "certified");
    f.lost = {{5, 2}, {9, 1}};
    EXPECT_EQ(certify::VerdictText(f), "data lost: 3 sectors");
    f.realSectors = 2000;
    EXPECT_EQ(certify::VerdictText(f), "fake capacity");
    f.wrapSector = 1024;
    EXPECT_EQ(certify::VerdictText(f), "wraps around at sector 1024 (0.5 MiB)");
    f.ready = false;
    EXPECT_EQ(certify::VerdictText(f), "not ready as a disk");
    EXPECT_EQ(certify::MiB(2087936), "1019.5 MiB");
}

}  // namespace
}  // namespace mendora
