#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::vdrive {

// How long a drive takes for a command: none (as fast as the host runs), or a USB 2.0 or
// 3.0 bus in front of NAND with typical page program, page read and block erase times.
enum class SpeedModel : std::uint32_t { None = 0, Usb2 = 1, Usb3 = 2 };

std::optional<SpeedModel> SpeedModelNamed(const std::string& name);
const char* SpeedModelName(SpeedModel model);

// The flash work one command did.
struct FlashWork {
    std::uint32_t erases = 0;
    std::uint32_t programs = 0;  // pages programmed
    std::uint32_t reads = 0;     // pages (or their spare areas) read
};

// The bus time of the command and its data plus the flash time of its work.
std::chrono::microseconds CommandTime(SpeedModel model, std::size_t dataBytes, const FlashWork& work);

}  // namespace mendora::vdrive
