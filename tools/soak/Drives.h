#pragma once
#include <random>
#include <string>

#include "vdrive/DriveSetup.h"

namespace mendora::soak {

// The drive kinds a sweep uses: a preset name, shrunk to one zone of 64 blocks per chip
// with two factory-bad and two weak blocks, so that a whole repair takes a moment.
// One of the drive kinds every sweep covers (QF90, QF70 with and without firmware), drawn.
std::string DrawPreset(std::mt19937& rng);

vdrive::DriveSetup SmallDrive(const std::string& preset, std::uint32_t plantingSeed);

bool CreateDrive(const std::string& image, const vdrive::DriveSetup& setup, std::string* error);

// Empty when every planted block of the image carries a mark and the drive is plugged;
// otherwise what is wrong.
std::string CheckPlantedMarked(const std::string& image);

// Unplugs and plugs the drive again, which also clears a pending removal; planned command
// faults are cleared too, so that a rerun meets the drive as a user who replugs it would.
bool Replug(const std::string& image, std::string* error);

// The number of lines of a trace file: one per command.
long TraceLength(const std::string& traceFile);

}  // namespace mendora::soak
