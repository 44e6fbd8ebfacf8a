#include <gtest/gtest.h>

#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "protocol/MakerIdentity.h"
#include "vdrive/UsbMassStorage.h"

namespace mendora::vdrive::usb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Wrapper(std::uint32_t tag, std::uint32_t length, bool in, Bytes cdb) {
    Bytes w(31, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 0x43425355);
    put(4, tag);
    put(8, length);
    w[12] = in ? 0x80 : 0;
    w[14] = static_cast<std::uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), w.begin() + 15);
    return w;
}

struct Status {
    std::uint32_t tag, residue;
    std::uint8_t status;
};

Status ReadStatus(MassStorageFunction& f) {
    PacketAnswer a = f.BulkIn(13);
    EXPECT_EQ(a.status, PacketStatus::Done);
    EXPECT_EQ(a.data.size(), 13u);
    if (a.data.size() != 13) return {0, 0, 0xFF};
    auto le = [&](std::size_t at) {
        return std::uint32_t{a.data[at]} | std::uint32_t{a.data[at + 1]} << 8 | std::uint32_t{a.data[at + 2]} << 16 |
               std::uint32_t{a.data[at + 3]} << 24;
    };
    EXPECT_EQ(le(0), 0x53425355u);
    return {le(4), le(8), a.data[12]};
}

class UsbMassStorage : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        drive = VirtualDrive::Create(dir / "d.img", testing::SmallSetup(), &error);
        ASSERT_TRUE(drive) << error;
    }
    testing::TempDir dir;
    std::unique_ptr<VirtualDrive> drive;
    std::optional<TransportError> forced;  // what the transport answers instead of the drive
    int carried = 0;                       // commands that reached the transport
    MassStorageFunction function{"MV0123", [this](const Command& c) {
                                     ++carried;
                                     if (forced) {
                                         Reply r;
                                         r.error = *forced;
                                         return r;
                                     }
                                     return drive->Execute(c);
                                 }};
};

TEST_F(UsbMassStorage, CarriesCommandsThroughTheThreePhases) {
    // INQUIRY asking for more than the drive answers: a short data phase, the residue told.
    ASSERT_EQ(function.BulkOut(Wrapper(7, 96, true, {0x12, 0, 0, 0, 96, 0})).status, PacketStatus::Done);
    PacketAnswer data = function.BulkIn(96);
    ASSERT_EQ(data.data.size(), 36u);
    EXPECT_EQ(std::string(data.data.begin() + 8, data.data.begin() + 16), maker::kInquiryVendor);
    Status s = ReadStatus(function);
    EXPECT_EQ(s.tag, 7u);
    EXPECT_EQ(s.residue, 60u);
    EXPECT_EQ(s.status, 0);

    // A data-out command in two packets, refused by the drive (no disk yet): status 1, and
    // the sense the host then asks for says why.
    Bytes write10 = {0x2A, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    ASSERT_EQ(function.BulkOut(Wrapper(8, 1024, false, write10)).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkIn(13).status, PacketStatus::Stall);  // still in the data phase
    EXPECT_EQ(function.BulkOut(Bytes(512, 1)).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkOut(Bytes(512, 2)).status, PacketStatus::Done);
    s = ReadStatus(function);
    EXPECT_EQ(s.tag, 8u);
    EXPECT_EQ(s.status, 1);
    ASSERT_EQ(function.BulkOut(Wrapper(9, 18, true, {0x03, 0, 0, 0, 18, 0})).status, PacketStatus::Done);
    data = function.BulkIn(18);
    ASSERT_EQ(data.data.size(), 18u);
    EXPECT_EQ(data.data[2], 0x02);   // NOT READY
    EXPECT_EQ(data.data[12], 0x31);  // medium format corrupted
    EXPECT_EQ(ReadStatus(function).status, 0);

    // A data-in phase read in pieces ends when the announced length is reached.
    ASSERT_EQ(function.BulkOut(Wrapper(10, 36, true, {0x12, 0, 0, 0, 36, 0})).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkIn(20).data.size(), 20u);
    EXPECT_EQ(function.BulkIn(16).data.size(), 16u);
    EXPECT_EQ(ReadStatus(function).residue, 0u);
}

TEST_F(UsbMassStorage, AnswersTheDiskDriversOwnCommandsAsAStick) {
    auto carry = [&](Bytes cdb, std::uint32_t length) {
        EXPECT_EQ(function.BulkOut(Wrapper(1, length, true, cdb)).status, PacketStatus::Done);
        Bytes data = length ? function.BulkIn(length).data : Bytes{};
        return std::make_pair(data, ReadStatus(function).status);
    };
    EXPECT_EQ(carry({0x00, 0, 0, 0, 0, 0}, 0).second, 1);  // no medium before a format
    Bytes sense = carry({0x03, 0, 0, 0, 18, 0}, 18).first;
    ASSERT_EQ(sense.size(), 18u);
    EXPECT_EQ(sense[12], 0x3A);
    auto mode = carry({0x1A, 0, 0x3F, 0, 192, 0}, 192);
    EXPECT_EQ(mode.second, 0);
    EXPECT_EQ(mode.first, (Bytes{3, 0, 0, 0}));  // not write-protected
    EXPECT_EQ(carry({0x1E, 0, 0, 0, 1, 0}, 0).second, 0);
    EXPECT_EQ(carry({0x1E, 0, 0, 0, 0, 0}, 0).second, 0);

    std::string error;
    drive.reset();
    DriveSetup formatted = testing::SmallSetup();
    formatted.formatted = true;
    drive = VirtualDrive::Create(dir / "f.img", formatted, &error);
    ASSERT_TRUE(drive) << error;
    EXPECT_EQ(carry({0x00, 0, 0, 0, 0, 0}, 0).second, 0);
    auto blocks = carry({0x28, 0, 0, 0, 0, 0, 0, 0, 8, 0}, 4096);  // the partition-table read on arrival
    EXPECT_EQ(blocks.second, 0);
    EXPECT_EQ(blocks.first.size(), 4096u);
}

TEST_F(UsbMassStorage, StalledCommandIsHeldUntilTheHostResets) {
    forced = TransportError::Timeout;
    ASSERT_EQ(function.BulkOut(Wrapper(3, 16, true, {0xF9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})).status,
              PacketStatus::Done);
    EXPECT_EQ(function.BulkIn(16).status, PacketStatus::Hold);
    EXPECT_EQ(function.BulkIn(13).status, PacketStatus::Hold);
    forced.reset();
    // The bulk-only reset the host sends after its timeout.
    EXPECT_EQ(function.Control({0x21, 0xFF, 0, 0, 0}, {}).status, PacketStatus::Done);
    ASSERT_EQ(function.BulkOut(Wrapper(4, 36, true, {0x12, 0, 0, 0, 36, 0})).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkIn(36).data.size(), 36u);
    EXPECT_EQ(ReadStatus(function).tag, 4u);

    // A command the controller dropped ends in a phase error, which makes the host reset.
    forced = TransportError::Failed;
    ASSERT_EQ(function.BulkOut(Wrapper(5, 0, false, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0})).status, PacketStatus::Done);
    EXPECT_EQ(ReadStatus(function).status, 2);

    // Gone inside a command: nothing more is answered, the glue takes the device off the bus.
    forced = TransportError::NoDevice;
    function.BulkOut(Wrapper(6, 0, false, {0x00, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(function.DriveGone());
    function.Reset();
    EXPECT_FALSE(function.DriveGone());
}

TEST_F(UsbMassStorage, MalformedWrappersHaltThePipesUntilReset) {
    Bytes bad = Wrapper(1, 0, false, {0x00, 0, 0, 0, 0, 0});
    bad[0] = 0;
    EXPECT_EQ(function.BulkOut(bad).status, PacketStatus::Stall);
    EXPECT_EQ(function.BulkOut(Wrapper(2, 0, false, {0x00, 0, 0, 0, 0, 0})).status, PacketStatus::Stall);
    EXPECT_EQ(function.BulkIn(13).status, PacketStatus::Stall);
    // Clearing the halt alone is not enough; the class reset is.
    EXPECT_EQ(function.Control({0x02, 0x01, 0, 0x81, 0}, {}).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkOut(Wrapper(2, 0, false, {0x00, 0, 0, 0, 0, 0})).status, PacketStatus::Stall);
    function.Control({0x21, 0xFF, 0, 0, 0}, {});
    EXPECT_EQ(function.BulkOut(Wrapper(2, 0, false, {0x1E, 0, 0, 0, 0, 0})).status, PacketStatus::Done);
    EXPECT_EQ(ReadStatus(function).status, 0);

    // A wrapper with no command in it, or one longer than 16 bytes: a phase error, and no
    // command reaches the drive.
    Bytes empty = Wrapper(3, 8, true, {});
    ASSERT_EQ(function.BulkOut(empty).status, PacketStatus::Done);
    EXPECT_TRUE(function.BulkIn(8).data.empty());
    Status s = ReadStatus(function);
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.residue, 8u);
    Bytes tooLong = Wrapper(4, 0, false, {0x00});
    tooLong[14] = 17;
    ASSERT_EQ(function.BulkOut(tooLong).status, PacketStatus::Done);
    EXPECT_EQ(ReadStatus(function).status, 2);
}

TEST_F(UsbMassStorage, WrappersNoCommandCanComeFromEndInAPhaseError) {
    // The 31-byte wrapper that announced 4 GiB to read: no data, a phase error, the whole
    // length left over, and nothing sent to the drive.
    ASSERT_EQ(function.BulkOut(Wrapper(1, 0xFFFFFFFF, true, {0x12, 0, 0, 0, 36, 0})).status, PacketStatus::Done);
    EXPECT_TRUE(function.BulkIn(512).data.empty());
    Status s = ReadStatus(function);
    EXPECT_EQ(s.tag, 1u);
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.residue, 0xFFFFFFFFu);

    // One byte past the transfer limit to write: the data pipe stalls, and once the host
    // has cleared it the status says phase error.
    function.Control({0x21, 0xFF, 0, 0, 0}, {});
    Bytes write10 = {0x2A, 0, 0, 0, 0, 0, 0, 0x08, 0x01, 0};
    ASSERT_EQ(function.BulkOut(Wrapper(2, kMaxTransferBytes + 1, false, write10)).status, PacketStatus::Done);
    EXPECT_EQ(function.BulkOut(Bytes(512, 1)).status, PacketStatus::Stall);
    EXPECT_EQ(function.Control({0x02, 0x01, 0, kBulkOutEndpoint, 0}, {}).status, PacketStatus::Done);
    EXPECT_EQ(ReadStatus(function).status, 2);

    // Another LUN, a reserved flag bit, a reserved bit of the command length.
    Bytes lun = Wrapper(3, 0, false, {0x00, 0, 0, 0, 0, 0});
    lun[13] = 1;
    Bytes flags = Wrapper(4, 0, false, {0x00, 0, 0, 0, 0, 0});
    flags[12] = 0x01;
    Bytes length = Wrapper(5, 0, false, {0x00, 0, 0, 0, 0, 0});
    length[14] |= 0x20;
    for (const Bytes& w : {lun, flags, length}) {
        function.Control({0x21, 0xFF, 0, 0, 0}, {});
        ASSERT_EQ(function.BulkOut(w).status, PacketStatus::Done);
        EXPECT_EQ(ReadStatus(function).status, 2);
    }
    EXPECT_EQ(carried, 0);

    // The limit itself is carried; the direction bit means nothing without a data phase.
    function.Control({0x21, 0xFF, 0, 0, 0}, {});
    ASSERT_EQ(function.BulkOut(Wrapper(6, kMaxTransferBytes, true, {0x12, 0, 0, 0, 36, 0})).status,
              PacketStatus::Done);
    EXPECT_EQ(function.BulkIn(kMaxTransferBytes).data.size(), 36u);
    s = ReadStatus(function);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.residue, kMaxTransferBytes - 36);
    ASSERT_EQ(function.BulkOut(Wrapper(7, 0, true, {0x1E, 0, 0, 0, 0, 0})).status, PacketStatus::Done);
    EXPECT_EQ(ReadStatus(function).status, 0);
    EXPECT_EQ(carried, 2);
}

TEST_F(UsbMassStorage, DescribesItselfWithTheMakersIds) {
    Bytes device = function.Control({0x80, 0x06, 0x0100, 0, 64}, {}).data;
    ASSERT_EQ(device.size(), 18u);
    EXPECT_EQ(device[8] | device[9] << 8, maker::kUsbVendorId);
    EXPECT_EQ(device[10] | device[11] << 8, maker::kUsbProductId);
    // The host asks for the first 9 bytes, then for the total length they give.
    Bytes head = function.Control({0x80, 0x06, 0x0200, 0, 9}, {}).data;
    ASSERT_EQ(head.size(), 9u);
    Bytes config = function.Control({0x80, 0x06, 0x0200, 0, 255}, {}).data;
    EXPECT_EQ(config.size(), std::size_t(head[2] | head[3] << 8));
    EXPECT_EQ(config[9 + 5], kInterfaceClass);
    EXPECT_EQ(config[9 + 7], kInterfaceProtocol);
    Bytes serial = function.Control({0x80, 0x06, 0x0303, 0x0409, 255}, {}).data;
    EXPECT_EQ(serial, (Bytes{14, 3, 'M', 0, 'V', 0, '0', 0, '1', 0, '2', 0, '3', 0}));
    EXPECT_EQ(function.Control({0x80, 0x06, 0x0309, 0x0409, 255}, {}).status, PacketStatus::Stall);
    EXPECT_EQ(function.Control({0xA1, 0xFE, 0, 0, 1}, {}).data, Bytes{0});  // one LUN
    EXPECT_EQ(function.Control({0x40, 0x55, 0, 0, 0}, {}).status, PacketStatus::Stall);
}

}  // namespace
}  // namespace mendora::vdrive::usb
