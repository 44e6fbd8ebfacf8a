// The Win32 pass-through, through a stand-in for DeviceIoControl that plays the driver.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/scsi/PassThroughRecord.h"
#include "platform/scsi/win32/Win32Scsi.h"

namespace mendora::platform {
namespace {

struct Call {
    std::uint32_t code = 0;
    std::vector<std::uint8_t> input;
    std::uint32_t outputLength = 0;
};

// Records each call; answers like a driver: writes status, sense and the bytes moved into the
// record, and for data-in the reply into the buffered record's data area or the buffer the
// direct record points at.
class FakeDriver : public DeviceControl {
public:
    bool IoControl(std::uint32_t code, void* input, std::uint32_t inputLength, void*, std::uint32_t outputLength,
                   std::uint32_t* returned, std::uint32_t* error) override {
        auto* record = static_cast<std::uint8_t*>(input);
        calls.push_back({code, std::vector<std::uint8_t>(record, record + inputLength), outputLength});
        if (failWith != 0) {
            *error = failWith;
            return false;
        }
        record[1] = status;
        std::memcpy(record + kSenseOffset, sense.data(), sense.size());
        std::uint32_t moved = std::min<std::uint32_t>(moveBytes, Get32(record + 12));
        Put32(record + 12, moved);
        if (record[8] == 1) {  // data in
            std::uint8_t* target = code == kIoctlScsiPassThrough
                                       ? record + kDataAreaOffset
                                       : reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(Get32(record + 20)));
            for (std::uint32_t i = 0; i < moved; ++i) target[i] = static_cast<std::uint8_t>(0xA0 + i);
        }
        *returned = outputLength;
        *error = 0;
        return true;
    }

    static std::uint32_t Get32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
    static void Put32(std::uint8_t* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::vector<Call> calls;
    std::uint32_t failWith = 0;
    std::uint8_t status = 0;
    std::array<std::uint8_t, 32> sense{};
    std::uint32_t moveBytes = 0xFFFFFFFF;
};

struct Rig {
    Rig() {
        auto owned = std::make_unique<FakeDriver>();
        driver = owned.get();
        transport = std::make_unique<Win32ScsiTransport>(std::move(owned));
    }
    FakeDriver* driver;
    std::unique_ptr<Win32ScsiTransport> transport;
};

const std::array<std::uint8_t, 10> kVendorCdb = {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 8, 0};

TEST(Win32Transport, SmallTransfersUseTheBufferedRecordByteForByte) {
    Rig rig;
    std::vector<std::uint8_t> reply(36);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 20, 24});
    ASSERT_TRUE(r.TransportOk());
    ASSERT_EQ(rig.driver->calls.size(), 1u);
    const Call& call = rig.driver->calls[0];
    EXPECT_EQ(call.code, kIoctlScsiPassThrough);
    auto expected = BufferedRecord({kVendorCdb, 1, 36, 20, 24});
    ASSERT_EQ(call.input.size(), BufferedInputLength());
    EXPECT_TRUE(std::equal(call.input.begin(), call.input.end(), expected.begin()));
    EXPECT_EQ(call.outputLength, BufferedOutputLength(36));
    EXPECT_EQ(r.bytesMoved, 36u);
    EXPECT_EQ(reply[0], 0xA0);
    EXPECT_EQ(reply[35], 0xA0 + 35);

    // Data out travels in the record's data area, and the input covers it.
    std::vector<std::uint8_t> data(512, 0x5A);
    ASSERT_TRUE(rig.transport->Execute({kVendorCdb, DataDirection::Out, data, 20, 0}).TransportOk());
    const Call& out = rig.driver->calls[1];
    ASSERT_EQ(out.input.size(), kDataAreaOffset + 512);
    EXPECT_EQ(out.input[8], 0);  // SCSI_IOCTL_DATA_OUT
    EXPECT_EQ(out.input[kDataAreaOffset], 0x5A);
    EXPECT_EQ(out.input.back(), 0x5A);
}

TEST(Win32Transport, LargeTransfersUseTheDirectRecordWithTheCallersBuffer) {
    Rig rig;
    std::vector<std::uint8_t> data(64 * 1024);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, data, 60, 32});
    ASSERT_TRUE(r.TransportOk());
    const Call& call = rig.driver->calls.at(0);
    EXPECT_EQ(call.code, kIoctlScsiPassThroughDirect);
    auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data.data()));
    auto expected = DirectRecord({kVendorCdb, 1, 64 * 1024, 60, 32}, address);
    ASSERT_EQ(call.input.size(), kDirectRecordSize);
    EXPECT_TRUE(std::equal(call.input.begin(), call.input.end(), expected.begin()));
    EXPECT_EQ(data[1], 0xA1);  // the driver wrote straight into the caller's buffer
    EXPECT_EQ(r.bytesMoved, data.size());
}

TEST(Win32Transport, StatusSenseAndShortTransfersComeBackAsTheDriverLeftThem) {
    Rig rig;
    rig.driver->status = 0x02;
    rig.driver->sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24};
    rig.driver->moveBytes = 10;
    std::vector<std::uint8_t> reply(36);
    ScsiResult r = rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 10, 18});
    ASSERT_TRUE(r.TransportOk());
    EXPECT_EQ(r.scsiStatus, 0x02);
    ASSERT_EQ(r.sense.size(), 18u);
    EXPECT_EQ(r.sense[2], 0x05);
    EXPECT_EQ(r.sense[12], 0x24);
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
    std::vector<std::uint8_t> reply(8);
    EXPECT_EQ(rig.transport->Execute({oddCdb, DataDirection::In, reply, 10, 0}).transport, TransportStatus::Os);
    EXPECT_EQ(rig.transport->Execute({kVendorCdb, DataDirection::In, reply, 10, 33}).transport, TransportStatus::Os);
    EXPECT_EQ(rig.transport->Execute({kVendorCdb, DataDirection::None, reply, 10, 0}).transport, TransportStatus::Os);
    EXPECT_TRUE(rig.driver->calls.empty());
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
