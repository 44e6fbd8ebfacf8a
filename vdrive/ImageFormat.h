#pragma once
#include <cstddef>
#include <cstdint>

// The on-disk layout of a virtual drive image. The file is mapped into memory by every
// process that opens it; all numbers are little-endian (the host order of the targets).
//
//   0       Header       identity, geometry, section offsets; fixed at creation, CRC-32
//   4096    State        plug state, controller RAM and registers, fault plans, store list
//   ...     BlockRecord  one per block of every chip
//   ...     PageRecord   one per page of every chip; an erased page is all zero (a hole)
//   ...     buckets      heads of the content hash chains
//   ...     firmware     the 64 KiB controller firmware image the drive holds
//   ...     disk table   per logical page of the formatted disk its slot; 0 never written
//   ...     slots        stored page contents, each used by one or more pages
namespace mendora::vdrive::format {

inline constexpr char kMagic[8] = {'M', 'N', 'D', 'V', 'D', 'R', 'I', 'V'};
// Version 3 added the fields of a drive that lies about its disk; an image without them is
// still written as version 2, so that every build that reads version 2 opens it.
inline constexpr std::uint32_t kVersion = 3;
inline constexpr std::uint32_t kPlainVersion = 2;
inline constexpr std::size_t kFirmwareBytes = 65536;
inline constexpr std::size_t kHeaderOffset = 0;
inline constexpr std::size_t kStateOffset = 4096;
inline constexpr std::size_t kStateRegion = 12288;
inline constexpr std::size_t kTablesOffset = kStateOffset + kStateRegion;
inline constexpr std::size_t kRamSize = 4096;
inline constexpr std::size_t kMaxFaults = 32;

struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t crc;  // CRC-32 of the header with this field zero

    std::uint16_t chipId;
    std::uint8_t chipVersion;
    std::uint8_t attribute;
    std::uint8_t flashId[5];
    std::uint8_t zoneBank;
    std::uint8_t a1Version;
    std::uint8_t hasFirmware;
    std::uint16_t redundantSymbol;
    char firmwareVersion[6];
    char inquiryVendor[8];
    char inquiryProduct[16];

    std::uint32_t chipEnables;
    std::uint32_t zones;
    std::uint32_t blocksPerZone;
    std::uint32_t pagesPerBlock;
    std::uint32_t sectorsPerPage;

    std::uint32_t bucketCount;  // a power of two
    std::uint32_t speedModel;  // SpeedModel
    std::uint64_t blockTableOffset;
    std::uint64_t pageTableOffset;
    std::uint64_t bucketOffset;
    std::uint64_t storeOffset;
    std::uint32_t slotBytes;    // SlotMeta + one page
    std::uint32_t reserved;
    std::uint64_t firmwareOffset;
    std::uint64_t diskTableOffset;  // one uint32 per page of the whole flash

    // Version 3 on (zero in a version 2 image, whose CRC covers the fields above alone).
    std::uint64_t announcedSectors;  // READ CAPACITY's answer when above the disk held; 0 honest
    std::uint32_t lostSectors;       // sectors of the disk whose writes never stick
    std::uint32_t lostSeed;          // chooses them
};
inline constexpr std::size_t kPlainHeaderBytes = 144;
static_assert(sizeof(Header) == 160);

// Slow: the command is carried out, `delayMilliseconds` later than it would be.
enum class FaultKind : std::uint8_t { None = 0, FailCommand = 1, Stall = 2, Slow = 3 };
inline constexpr std::uint8_t kAnyChip = 0xFF;
inline constexpr std::uint32_t kAnyBlock = 0xFFFFFFFF;

// A planned fault: the command with `opcode` on `block` of `chip` fails at the transport
// (or stalls until its timeout, or is slow); `remaining` times, or every time when 0.
struct FaultRecord {
    FaultKind kind;
    std::uint8_t opcode;
    std::uint8_t chip;
    std::uint8_t reserved;
    std::uint32_t block;
    std::uint32_t remaining;
    std::uint32_t delayMilliseconds;  // of a slow command
};
static_assert(sizeof(FaultRecord) == 16);

// What a parameter block did to the controller's addressing.
enum class ParameterMode : std::uint8_t { None = 0, Accepted = 1, Mismatched = 2 };

struct State {
    std::uint64_t fileSize;
    std::uint32_t slotCapacity;
    std::uint32_t slotHighWater;  // slots 1..highWater have been handed out
    std::uint32_t freeHead;       // first free slot, 0 when none
    std::uint32_t plugged;
    std::uint32_t plugGeneration; // grows with every plug and unplug
    std::uint32_t commandCount;
    std::int32_t removeAfter;     // commands left before the drive goes away; -1 never
    std::uint32_t silentChips;    // bit c: chip c no longer answers

    std::uint8_t ramLoading;      // a RAM download has begun
    ParameterMode parameterMode;
    std::uint8_t twoPlane;
    std::uint8_t pairedPages;
    std::uint32_t parameterBlocksPerChip;
    std::uint8_t sense[18];       // fixed-format sense of the last CHECK CONDITION
    std::uint8_t ramRunning;      // the RAM holds a valid revert image this controller runs
    std::uint8_t reserved;
    std::uint32_t faultCount;
    FaultRecord faults[kMaxFaults];
    std::uint8_t ram[kRamSize];   // controller RAM F000h-FFFFh

    // Written by the device library's commands; hasFirmware and firmwareVersion of the
    // header only say what the drive was created with.
    std::uint8_t firmwarePresent;
    char firmwareVersion[6];      // the 6 bytes at 0xEFF2 of the stored firmware image
    std::uint8_t diskReady;       // a low-level format built the logical disk
    std::uint64_t diskSectors;    // its capacity in 512-byte sectors; 0 when not ready
    std::uint64_t diskPagesUsed;  // disk table entries that hold a slot
    std::uint64_t modelledMicros; // the time the speed model gave all commands so far
};
static_assert(sizeof(State) <= kStateRegion);

enum class BlockKind : std::uint8_t { Good = 0, FactoryBad = 1, GrownBad = 2, Weak = 3 };
inline constexpr std::uint8_t kMarkSlips = 0x01;  // BlockRecord::flags: spare writes are lost

struct BlockRecord {
    BlockKind kind;
    std::uint8_t weakBits;  // bits flipped per programmed sector of a weak block
    std::uint8_t flags;
    std::uint8_t reserved;
    std::uint32_t eraseCount;
};
static_assert(sizeof(BlockRecord) == 8);

// slot 0: the page is erased. user: the four spare bytes written with the page.
struct PageRecord {
    std::uint32_t slot;
    std::uint8_t user[4];
};
static_assert(sizeof(PageRecord) == 8);

struct SlotMeta {
    std::uint64_t hash;
    std::uint32_t refs;  // 0: free, and `next` links the free list
    std::uint32_t next;  // next slot of the same hash chain
};
static_assert(sizeof(SlotMeta) == 16);

}  // namespace mendora::vdrive::format
