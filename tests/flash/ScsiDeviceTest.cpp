#include <gtest/gtest.h>

#include "flash/FlashPlace.h"
#include "flash/ScsiDevice.h"
#include "platform/kernel/fake/FakeServices.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"

namespace mendora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Cdb(const VendorRequest& r) { return Bytes(r.cdb.begin(), r.cdb.begin() + r.cdbLength); }

// The place of every command that addresses a sector, from its own CDB; none for the others.
TEST(VendorRequests, AddressedCommandsNameTheirChipAndSector) {
    const std::uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    auto place = [](const VendorRequest& r) {
        auto p = FlashPlaceOf(std::span<const std::uint8_t>(r.cdb.data(), r.cdbLength));
        return p ? std::to_string(p->chip) + ":" + std::to_string(p->sector) : std::string("none");
    };
    EXPECT_EQ(place(vendor::EraseBlock(0x01020304, 0x10)), "2:16909060");
    EXPECT_EQ(place(vendor::EraseBlockWithStatus(0x400, 0x05)), "0:1024");  // two chips at once: the first
    EXPECT_EQ(place(vendor::ReadSpare(77, 0x40)), "3:77");
    EXPECT_EQ(place(vendor::WritePages(0x80, 8, 4, ff)), "1:128");
    EXPECT_EQ(place(vendor::ReadPages(9, 512, 1, 1)), "0:9");
    for (const VendorRequest& other : {vendor::BeginRamLoad(), vendor::WriteRam(0xF200, 512), vendor::ResetFlash(1, 0xFF, 1),
                                       vendor::WriteFlashParameters(), vendor::SetInterleave(0x88, 0x55, 0)})
        EXPECT_EQ(place(other), "none");
}

TEST(VendorRequests, EveryCommandCarriesItsCdbLengthsAndPath) {
    struct Row {
        VendorRequest r;
        Bytes cdb;
        RequestPath path;
        std::uint8_t dataIn;
        std::uint32_t length, timeout, sense, output;
    };
    const std::uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF}, table[4] = {0x00, 0x00, 0x02, 0x00};
    std::vector<Row> rows = {
        {vendor::BeginRamLoad(), {0xFD, 0x13, 0x01, 0, 0, 0, 0, 0, 0, 0}, RequestPath::Buffered, 0, 0, 200, 24, 80},
        {vendor::WriteRam(0xF200, 512), {0xFD, 0, 0x01, 0xF2, 0, 0, 0x03, 0x02, 0, 0, 0, 0}, RequestPath::Direct, 0, 512, 200, 24, 80},
        {vendor::ResetFlash(4, 0xFF, 1), {0xF1, 0x10, 0x04, 0xFF, 0x01, 0, 0, 0, 0, 0}, RequestPath::Buffered, 1, 8, 200, 24, 88},
        {vendor::WriteFlashParameters(), Bytes{0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, RequestPath::Direct, 0, 512, 200, 24, 80},
        {vendor::SetInterleave(0x88, 0x55, 0), {0xFC, 0, 0x88, 0x55, 0, 0, 0, 0, 0, 0}, RequestPath::Buffered, 1, 1, 2, 24, 81},
        {vendor::EraseBlock(0x01020304, 0x10), {0xF5, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0x10}, RequestPath::Direct, 1, 16, 200, 0, 80},
        {vendor::EraseBlockWithStatus(0x400, 1), {0xFE, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 1}, RequestPath::Buffered, 1, 1, 200, 24, 81},
        {vendor::ReadSpare(0x01020304, 4), {0xF9, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 4}, RequestPath::Direct, 1, 16, 200, 0, 80},
        {vendor::WritePages(0x80, 128, 1, table), {0xF6, 0, 0, 0, 0, 0x80, 0, 0, 0x80, 0, 0x02, 0, 1}, RequestPath::Direct, 0, 65536, 200, 24, 80},
        {vendor::WritePages(0, 8, 4, ff), {0xF6, 0xFF, 0, 0, 0, 0, 0, 0, 8, 0xFF, 0xFF, 0xFF, 4}, RequestPath::Direct, 0, 4096, 200, 24, 80},
        {vendor::ReadPages(0, 2048, 1, 0), {0xF8, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 1}, RequestPath::Direct, 1, 2048, 200, 24, 80},
        {vendor::ReadPages(0, 100, 1, 0), {0xF8, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1}, RequestPath::Direct, 1, 100, 200, 24, 80},
        {vendor::ReadPages(0, 65536, 1, 1), {0xF8, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1}, RequestPath::Direct, 1, 2, 200, 24, 80},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.cdb[0]));
        EXPECT_EQ(Cdb(row.r), row.cdb);
        EXPECT_EQ(row.r.path, row.path);
        EXPECT_EQ(row.r.dataIn, row.dataIn);
        EXPECT_EQ(row.r.dataLength, row.length);
        EXPECT_EQ(row.r.timeoutSeconds, row.timeout);
        EXPECT_EQ(row.r.senseLength, row.sense);
        EXPECT_EQ(row.r.outputLength, row.output);
    }
    // The count's low byte only: 256 sectors send 00 but move 128 KiB.
    EXPECT_EQ(vendor::WritePages(0, 256, 1, ff).cdb[8], 0);
    EXPECT_EQ(vendor::WritePages(0, 256, 1, ff).dataLength, 131072u);
}

// A transport that answers every command with one scripted result.
struct ScriptedTransport : platform::ScsiTransport {
    platform::ScsiResult answer;
    Bytes reply;
    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        std::copy_n(reply.begin(), std::min(reply.size(), request.data.size()), request.data.begin());
        return answer;
    }
};

TEST(ScsiDeviceJudgement, StatusCountsOnlyForWriteRamAndRepliesFollowTheRules) {
    ScriptedTransport t;
    t.answer.scsiStatus = 0x02;  // CHECK CONDITION, carried
    Bytes ram(512), out(8, 0xEE), sixteen(16, 0xEE);
    EXPECT_EQ(ScsiDevice::WriteRam(t, 0xF000, 512, ram.data()), 0);
    EXPECT_EQ(ScsiDevice::BeginRamLoad(t), 1);
    EXPECT_EQ(ScsiDevice::EraseBlockWithStatus(t, 0, 1), 1);
    t.answer = {};
    t.reply = Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9};
    t.answer.bytesMoved = 3;
    EXPECT_EQ(ScsiDevice::ResetFlash(t, out.data(), 1, 0xFF, 0), 1);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    t.answer.bytesMoved = 500;  // never more than 8
    EXPECT_EQ(ScsiDevice::ResetFlash(t, out.data(), 1, 0xFF, 0), 1);
    EXPECT_EQ(out[7], 8);
    t.answer.transport = platform::TransportStatus::Transport;
    out.assign(8, 0xEE);
    t.reply.clear();
    EXPECT_EQ(ScsiDevice::ResetFlash(t, out.data(), 1, 0xFF, 0), 0);
    EXPECT_EQ(out, Bytes(8, 0xEE));
    EXPECT_EQ(ScsiDevice::ReadSpare(t, 0, sixteen.data(), 1), 0);
    EXPECT_EQ(sixteen, (Bytes{0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(ScsiDeviceRequests, EachCommandNamesItsRecordAndDataInToTheTransport) {
    struct Recorder : platform::ScsiTransport {
        std::vector<platform::ScsiRequest> seen;
        platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
            seen.push_back(request);
            return {};
        }
    } t;
    Bytes ram(512), sixteen(16);
    ScsiDevice::BeginRamLoad(t);
    ScsiDevice::WriteRam(t, 0xF000, 512, ram.data());
    ScsiDevice::SetInterleave(t, 0, 0, 1);
    ScsiDevice::ReadSpare(t, 0, sixteen.data(), 1);
    using platform::DataDirection, platform::RecordKind;
    struct Expected {
        RecordKind kind;
        std::uint8_t dataIn;
        DataDirection direction;
    };
    const Expected expected[] = {{RecordKind::Buffered, 0, DataDirection::None},
                                 {RecordKind::Direct, 0, DataDirection::Out},
                                 {RecordKind::Buffered, 1, DataDirection::In},
                                 {RecordKind::Direct, 1, DataDirection::In}};
    ASSERT_EQ(t.seen.size(), 4u);
    for (std::size_t i = 0; i < t.seen.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(t.seen[i].record.has_value());
        EXPECT_EQ(t.seen[i].record->kind, expected[i].kind);
        EXPECT_EQ(t.seen[i].record->dataIn, expected[i].dataIn);
        EXPECT_EQ(t.seen[i].direction, expected[i].direction);
    }
}

TEST(ScsiDeviceOverVirtualDrive, RevertStartSequenceThenBlockCommandsAreTraced) {
    testing::TempDir dir;
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(dir / "d.img", testing::SmallSetup(), &error);
    ASSERT_TRUE(drive) << error;
    drive->SetTraceFile(dir / "trace.txt");
    platform::FakeClock clock;
    platform::VirtualScsiTransport t(std::move(drive), clock);

    Bytes out(8), spare(16), ram = testing::RamImage(0x0090);
    EXPECT_EQ(ScsiDevice::ResetFlash(t, out.data(), 1, 0xFF, 0), 1);  // CHECK CONDITION is carried
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(ScsiDevice::WriteRam(t, 0xF000, 512, ram.data()), 0);    // no BeginRamLoad yet
    ASSERT_EQ(ScsiDevice::BeginRamLoad(t), 1);
    for (int k = 0; k < 8; ++k) ASSERT_EQ(ScsiDevice::WriteRam(t, 0xF000 + k * 0x200, 512, ram.data() + k * 512), 1);
    ASSERT_EQ(ScsiDevice::ResetFlash(t, out.data(), 1, 0xFF, 1), 1);
    EXPECT_NE(out[1], 0);

    const std::uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    Bytes block(8 * 512, 0x42), status(2);
    EXPECT_EQ(ScsiDevice::EraseBlock(t, 8, spare.data(), 1), 1);
    EXPECT_EQ(ScsiDevice::WritePages(t, 8, 8, block.data(), 1, ff), 1);
    EXPECT_EQ(ScsiDevice::ReadSpare(t, 8, spare.data(), 1), 1);
    EXPECT_EQ(spare[0], 4);  // block 1 of 4 pages
    EXPECT_EQ(ScsiDevice::ReadPages(t, 8, 4096, block.data(), 1, 1), 1);
    EXPECT_EQ(block[0], 0);  // no flipped bits

    ASSERT_TRUE(t.drive().AddFault({vdrive::format::FaultKind::Stall, 0xFE, 0xFF, 0xFFFFFFFF, 0}, &error));
    EXPECT_EQ(ScsiDevice::EraseBlockWithStatus(t, 0, 1), 0);
    EXPECT_EQ(clock.TickCount(), 200000u);

    std::string trace = testing::ReadBytes(dir / "trace.txt");
    EXPECT_EQ(trace.substr(0, trace.find('\n', trace.find('\n') + 1) + 1),
              "F1 10 01 FF 00 00 00 00 00 00 | in 8 | ok 02\n"
              "FD 00 01 F0 00 00 03 02 00 00 00 00 | out 512 | ok 02\n");
    EXPECT_NE(trace.find("FD 13 01 00 00 00 00 00 00 00 | none 0 | ok 00\n"), std::string::npos);
    EXPECT_NE(trace.find("FD 00 01 F2 00 00 03 02 00 00 00 00 | out 512 | ok 00\n"), std::string::npos);
    EXPECT_NE(trace.find("F6 FF 00 00 00 08 00 00 08 FF FF FF 01 | out 4096 | ok 00\n"), std::string::npos);
    EXPECT_NE(trace.find("FE 00 00 00 00 00 00 00 00 00 00 00 01 | in 1 | fail 00\n"), std::string::npos);
}

}  // namespace
}  // namespace mendora
