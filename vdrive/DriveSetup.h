#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/IdentifyReply.h"
#include "vdrive/SpeedModel.h"

// What a virtual drive is: the controller's identity and the flash geometry behind it.
namespace mendora::vdrive {

// The controller's identity as it answers identification, and the INQUIRY texts it gives.
struct Identity : identify::Controller {
    std::string inquiryVendor;   // 8 characters at most
    std::string inquiryProduct;  // 16 characters at most
};

using Geometry = identify::Geometry;

// Blocks planted as faulty when an image is created, chosen from the seed.
struct Plantings {
    std::uint32_t factoryBad = 0;
    std::uint32_t grownBad = 0;
    std::uint32_t weak = 0;
    std::uint8_t weakBits = 3;
    std::uint32_t seed = 1;
};

// How the formatted disk lies, as cheap counterfeit sticks do. A drive that announces more
// sectors than it holds ignores the address bits above its flash (a sector beyond wraps
// around to the start) and keeps nothing at addresses between the disk it holds and that
// power of two; lost sectors, chosen from the seed, keep what they held whatever is written.
struct Lies {
    std::uint64_t announcedSectors = 0;  // 0: READ CAPACITY tells the disk held
    std::uint32_t lostSectors = 0;
    std::uint32_t lostSeed = 1;
    bool Any() const { return announcedSectors != 0 || lostSectors != 0; }
};
inline constexpr std::uint32_t kMostLostSectors = 65536;

struct DriveSetup {
    Identity identity;
    Geometry geometry;
    Plantings plantings;
    bool formatted = false;  // created ready as a disk over its good blocks
    SpeedModel speed = SpeedModel::None;
    Lies lies;
};

// Empty when the setup can be built as an image; otherwise what is wrong with it.
std::string CheckSetup(const DriveSetup& setup);

}  // namespace mendora::vdrive
