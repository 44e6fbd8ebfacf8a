// The Win32 pass-through, through a stand-in driver behind DeviceIoControl that reads and
// answers the records through the SDK's structs.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "flash/ScsiDevice.h"
#include "platform/scsi/PassThroughRecord.h"
#include "platform/scsi/win32/StandInDriver.h"
#include "platform/scsi/win32/Win32Scsi.h"

namespace mendora::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rig {
    Rig() {
        auto owned = std::make_unique<StandInDriver>();
        driver = owned.get();
        transport = std::make_unique<Win32ScsiTransport>(std::move(owned));
    }
    StandInDriver* driver;
    std::unique_ptr<Win32ScsiTransport> transport;
};

std::uintptr_t AddressOf(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

const std::array<std::uint8_t, 10> kVendorCdb = {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 8, 0};

TEST(Win32Transport, SmallTransfersUseTheBufferedRecordByteForByte) {
    Rig rig;
    std::vector<std::uint8_t> reply(36);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 20, 24});
    ASSERT_TRUE(r.TransportOk());
    ASSERT_EQ(rig.driver->calls.size(), 1u);
    const StandInDriver::Call& call = rig.driver->calls[0];
    EXPECT_EQ(call.code, kIoctlScsiPassThrough);
    auto expected = BufferedRecord({kVendorCdb, 1, 36, 20, 24});
    ASSERT_EQ(call.input.size(), BufferedInputLength());
    EXPECT_TRUE(std::equal(call.input.begin(), call.input.end(), expected.begin()));
    EXPECT_EQ(call.outputLength, BufferedOutputLength(36));
    // The driver's own reading of the header.
    EXPECT_EQ(call.length, 44);
    EXPECT_EQ(call.pathId, 0);
    EXPECT_EQ(call.targetId, 1);
    EXPECT_EQ(call.lun, 0);
    EXPECT_EQ(call.cdbLength, 10);
    EXPECT_EQ(call.senseInfoLength, 24);
    EXPECT_EQ(call.dataIn, 1);
    EXPECT_EQ(call.dataTransferLength, 36u);
    EXPECT_EQ(call.timeOutValue, 20u);
    EXPECT_EQ(call.dataBuffer, 80u);
    EXPECT_EQ(call.senseInfoOffset, 48u);
    EXPECT_EQ(call.cdb, Bytes(kVendorCdb.begin(), kVendorCdb.end()));
    EXPECT_EQ(r.bytesMoved, 36u);
    EXPECT_EQ(reply[0], 0xA0);
    EXPECT_EQ(reply[35], 0xA0 + 35);

    // Data out travels in the record's data area, and the input covers it.
    std::vector<std::uint8_t> data(512, 0x5A);
    ASSERT_TRUE(rig.transport->Execute({kVendorCdb, DataDirection::Out, data, 20, 0}).TransportOk());
    const StandInDriver::Call& out = rig.driver->calls[1];
    ASSERT_EQ(out.input.size(), kDataAreaOffset + 512);
    EXPECT_EQ(out.dataIn, 0);  // SCSI_IOCTL_DATA_OUT
    EXPECT_EQ(out.dataOut, data);
}

TEST(Win32Transport, LargeTransfersUseTheDirectRecordWithTheCallersBuffer) {
    Rig rig;
    std::vector<std::uint8_t> data(64 * 1024);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, data, 60, 32});
    ASSERT_TRUE(r.TransportOk());
    const StandInDriver::Call& call = rig.driver->calls.at(0);
    EXPECT_EQ(call.code, kIoctlScsiPassThroughDirect);
    auto address = static_cast<std::uint32_t>(AddressOf(data.data()));
    auto expected = DirectRecord({kVendorCdb, 1, 64 * 1024, 60, 32}, address);
    ASSERT_EQ(call.input.size(), kDirectRecordSize);
    EXPECT_TRUE(std::equal(call.input.begin(), call.input.end(), expected.begin()));
    EXPECT_EQ(call.dataBuffer, AddressOf(data.data()));
    EXPECT_EQ(call.dataTransferLength, 64u * 1024);
    EXPECT_EQ(call.senseInfoLength, 32);
    EXPECT_EQ(data[1], 0xA1);  // the driver wrote straight into the caller's buffer
    EXPECT_EQ(r.bytesMoved, data.size());
}

TEST(Win32Transport, StatusSenseAndShortTransfersComeBackAsTheDriverLeftThem) {
    Rig rig;
    rig.driver->status = 0x02;  // CHECK CONDITION
    rig.driver->sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0, 0, 0, 0, 0};
    rig.driver->moveBytes = 10;
    std::vector<std::uint8_t> reply(36);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 10, 24});
    ASSERT_TRUE(r.TransportOk());
    EXPECT_EQ(r.scsiStatus, 0x02);
    ASSERT_EQ(r.sense.size(), 18u);  // as many as the driver returned
    EXPECT_EQ(r.sense[2], 0x05);
    EXPECT_EQ(r.sense[12], 0x24);
    EXPECT_EQ(r.bytesMoved, 10u);

    // The same through the direct record; never more sense than asked for.
    std::vector<std::uint8_t> large(4096);
    r = rig.transport->Execute({kVendorCdb, DataDirection::In, large, 10, 8});
    EXPECT_EQ(r.scsiStatus, 0x02);
    EXPECT_EQ(r.sense.size(), 8u);
    EXPECT_EQ(r.bytesMoved, 10u);
}

TEST(Win32Transport, FailedCallsMapToTheTransportsCategoriesAndBadRequestsNeverReachTheDriver) {
    struct Case {
        std::uint32_t error;
        TransportStatus expected;
    };
    for (Case c : {Case{121, TransportStatus::Timeout}, Case{1167, TransportStatus::NoDevice},
                   Case{2, TransportStatus::NoDevice}, Case{1117, TransportStatus::Transport},
                   Case{31, TransportStatus::Transport}, Case{5, TransportStatus::Os}, Case{87, TransportStatus::Os}}) {
        Rig rig;
        rig.driver->failWith = c.error;
        std::vector<std::uint8_t> reply(8);
        ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 10, 0});
        EXPECT_EQ(r.transport, c.expected) << "error " << c.error;
        EXPECT_EQ(r.bytesMoved, 0u);
    }
    Rig rig;
    std::array<std::uint8_t, 7> oddCdb{};
    std::vector<std::uint8_t> reply(8), beyondArea(513);
    EXPECT_EQ(rig.transport->Execute({oddCdb, DataDirection::In, reply, 10, 0}).transport, TransportStatus::Os);
    EXPECT_EQ(rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 10, 33}).transport, TransportStatus::Os);
    EXPECT_EQ(rig.transport->Execute({kVendorCdb, DataDirection::None, reply, 10, 0}).transport, TransportStatus::Os);
    // A buffered record has 512 bytes of room; DataIn must move data the caller's way.
    ScsiRequest overflow{kVendorCdb, DataDirection::In, beyondArea, 10, 0};
    overflow.record = RecordChoice{RecordKind::Buffered, 1};
    EXPECT_EQ(rig.transport->Execute(overflow).transport, TransportStatus::Os);
    ScsiRequest backwards{kVendorCdb, DataDirection::Out, reply, 10, 0};
    backwards.record = RecordChoice{RecordKind::Direct, 1};
    EXPECT_EQ(rig.transport->Execute(backwards).transport, TransportStatus::Os);
    EXPECT_TRUE(rig.driver->calls.empty());
}

TEST(Win32Transport, ADriveThatIsGoneMeansNoDeviceFromDeviceIoControlAndCreateFile) {
    const std::uint32_t kDeviceRemoved = 1617, kNoSuchDevice = 433, kDevNotExist = 55;
    for (std::uint32_t error : {kDeviceRemoved, kNoSuchDevice, kDevNotExist}) {
        EXPECT_EQ(StatusOfIoError(error), TransportStatus::NoDevice) << error;
        Rig rig;
        rig.driver->failWith = error;
        std::vector<std::uint8_t> block(4096);
        EXPECT_EQ(rig.transport->Execute({kVendorCdb, DataDirection::In, block, 10, 0}).transport,
                  TransportStatus::NoDevice)
            << error;
        EXPECT_NE(OpenFailure("\\\\.\\E:", error).find("the drive is gone"), std::string::npos) << error;
    }
    EXPECT_EQ(OpenFailure("\\\\.\\E:", 5), "cannot open \\\\.\\E: (error 5)");  // access denied: not gone
}

// The vendor commands as the driver sees them.
struct VendorRig : Rig {
    ScsiDevice::Drive& drive() { return *transport; }
    const StandInDriver::Call& last() const { return driver->calls.back(); }
};

TEST(Win32VendorCommands, CheckConditionFromAnSdkDriverFailsWriteRamAndOnlyWriteRam) {
    VendorRig rig;
    Bytes ram(512, 0x3C), reply(8, 0xEE);
    ASSERT_EQ(ScsiDevice::WriteRam(rig.drive(), 0xF000, 512, ram.data()), 1);
    EXPECT_EQ(rig.last().dataOut, ram);
    rig.driver->status = 0x02;
    rig.driver->sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24};
    EXPECT_EQ(ScsiDevice::WriteRam(rig.drive(), 0xF200, 512, ram.data()), 0);
    EXPECT_EQ(rig.driver->calls.size(), 2u);  // carried, yet not taken: no retry
    // Every other command counts as done once carried, whatever its status.
    EXPECT_EQ(ScsiDevice::BeginRamLoad(rig.drive()), 1);
    EXPECT_EQ(ScsiDevice::ResetFlash(rig.drive(), reply.data(), 1, 0xFF, 1), 1);
    EXPECT_EQ(reply[1], 0xA1);
}

TEST(Win32VendorCommands, EachCommandTravelsInTheRecordAndDataInOfItsRow) {
    Bytes ram(512, 1), params(512, 2), sixteen(16), page(512, 3), pages(4096);
    const std::uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::uint8_t reply[8] = {};
    using Send = std::function<int(ScsiDevice::Drive&)>;
    struct Row {
        const char* name;
        Send send;
        const std::uint8_t* buffer;  // the caller's, for a direct record
        std::uint32_t code;
        std::uint8_t dataIn;
        std::uint32_t length, input, output;
        std::uint8_t sense;
        std::uint32_t timeout;
        std::uint8_t opcode, cdbLength;
    };
    const std::uint32_t B = kIoctlScsiPassThrough, D = kIoctlScsiPassThroughDirect;
    std::vector<Row> rows = {
        {"BeginRamLoad", [](auto& d) { return ScsiDevice::BeginRamLoad(d); }, nullptr, B, 0, 0, 44, 80, 24, 200, 0xFD, 10},
        {"WriteRam", [&](auto& d) { return ScsiDevice::WriteRam(d, 0xF200, 512, ram.data()); }, ram.data(), D, 0, 512, 80, 80, 24, 200, 0xFD, 12},
        {"ResetFlash", [&](auto& d) { return ScsiDevice::ResetFlash(d, reply, 4, 0xFF, 1); }, nullptr, B, 1, 8, 44, 88, 24, 200, 0xF1, 10},
        {"WriteFlashParameters", [&](auto& d) { return ScsiDevice::WriteFlashParameters(d, params.data()); }, params.data(), D, 0, 512, 80, 80, 24, 200, 0xF0, 13},
        {"SetInterleave", [](auto& d) { return ScsiDevice::SetInterleave(d, 0, 0, 1); }, nullptr, B, 1, 1, 44, 81, 24, 2, 0xFC, 10},
        {"EraseBlock", [&](auto& d) { return ScsiDevice::EraseBlock(d, 0x400, sixteen.data(), 1); }, sixteen.data(), D, 1, 16, 80, 80, 0, 200, 0xF5, 13},
        {"EraseBlockWithStatus", [](auto& d) { return ScsiDevice::EraseBlockWithStatus(d, 0x400, 1); }, nullptr, B, 1, 1, 44, 81, 24, 200, 0xFE, 13},
        {"ReadSpare", [&](auto& d) { return ScsiDevice::ReadSpare(d, 0x400, sixteen.data(), 1); }, sixteen.data(), D, 1, 16, 80, 80, 0, 200, 0xF9, 13},
        {"WritePages 1", [&](auto& d) { return ScsiDevice::WritePages(d, 0x80, 1, page.data(), 1, ff); }, page.data(), D, 0, 512, 80, 80, 24, 200, 0xF6, 13},
        {"ReadPages 2048", [&](auto& d) { return ScsiDevice::ReadPages(d, 0, 2048, pages.data(), 1, 0); }, pages.data(), D, 1, 2048, 80, 80, 24, 200, 0xF8, 13},
        {"ReadPages 100", [&](auto& d) { return ScsiDevice::ReadPages(d, 0, 100, pages.data(), 1, 0); }, pages.data(), D, 1, 100, 80, 80, 24, 200, 0xF8, 13},
        {"ReadPages status", [&](auto& d) { return ScsiDevice::ReadPages(d, 0, 4096, pages.data(), 1, 1); }, pages.data(), D, 1, 2, 80, 80, 24, 200, 0xF8, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VendorRig rig;
        ASSERT_EQ(row.send(rig.drive()), 1);
        ASSERT_EQ(rig.driver->calls.size(), 1u);
        const StandInDriver::Call& call = rig.last();
        EXPECT_EQ(call.code, row.code);
        EXPECT_EQ(call.dataIn, row.dataIn);
        EXPECT_EQ(call.dataTransferLength, row.length);
        EXPECT_EQ(call.input.size(), row.input);
        EXPECT_EQ(call.outputLength, row.output);
        EXPECT_EQ(call.senseInfoLength, row.sense);
        EXPECT_EQ(call.timeOutValue, row.timeout);
        EXPECT_EQ(call.cdbLength, row.cdbLength);
        EXPECT_EQ(call.cdb.at(0), row.opcode);
        EXPECT_EQ(call.length, 44);
        EXPECT_EQ(call.targetId, 1);
        EXPECT_EQ(call.senseInfoOffset, 48u);
        EXPECT_EQ(call.dataBuffer, row.buffer ? AddressOf(row.buffer) : 80u);
        if (row.dataIn == 0 && row.length > 0) {
            EXPECT_EQ(call.dataOut, Bytes(row.buffer, row.buffer + row.length));
        }
    }
}

TEST(Win32Discovery, OnlyTheMakersUsbIdsCountAndDeviceChangesMapToTheirEvents) {
    EXPECT_TRUE(IsMakerUsbInstance("USB\\VID_3A51&PID_7090\\0123456789"));
    EXPECT_TRUE(IsMakerUsbInstance("usb\\vid_3a51&pid_7090\\5&1a2b"));
    EXPECT_FALSE(IsMakerUsbInstance("USB\\VID_3A51&PID_7091\\0123"));
    EXPECT_FALSE(IsMakerUsbInstance("USBSTOR\\DISK&VEN_QUORVANE&PROD_USB\\0123"));
    EXPECT_FALSE(IsMakerUsbInstance("USB\\VID_3A51&PID_7090"));
    EXPECT_EQ(DeviceChangeEventOf(0x8000), kDeviceArrivalEvent);
    EXPECT_EQ(DeviceChangeEventOf(0x8004), kDeviceRemoveCompleteEvent);
    EXPECT_EQ(DeviceChangeEventOf(0x8001), 0u);  // query remove
    EXPECT_EQ(DeviceChangeEventOf(0x0007), 0u);  // devnodes changed
}

}  // namespace
}  // namespace mendora::platform
