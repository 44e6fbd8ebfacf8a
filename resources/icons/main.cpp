// mendora-icons DIR: writes the executable's icons, drawn by the dialog resources, as .ico
// files for the resource script: 128.ico and 129.ico, 32 x 32 pixels, 32 bits.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "resources/DialogResources.h"

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// One image: a directory entry, then the bitmap header, the colour rows bottom up (BGRA,
// opaque) and an all-clear AND mask.
std::vector<std::uint8_t> Icon(const mendora::platform::Bitmap& picture) {
    const int w = picture.Width(), h = picture.Height();
    const std::uint32_t maskRow = static_cast<std::uint32_t>((w + 31) / 32 * 4);
    const std::uint32_t imageBytes = 40 + static_cast<std::uint32_t>(w * h * 4) + maskRow * h;
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // an icon
    Put16(out, 1);  // one image
    out.push_back(static_cast<std::uint8_t>(w));
    out.push_back(static_cast<std::uint8_t>(h));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, imageBytes);
    Put32(out, 22);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h * 2));  // colour and mask
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = picture.Pixel(x, y);  // 0x00BBGGRR
            out.push_back(static_cast<std::uint8_t>(c >> 16));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(0xFF);
        }
    out.insert(out.end(), maskRow * h, 0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mendora-icons DIR\n");
        return 2;
    }
    for (std::uint16_t id : {mendora::kDialogIcon, mendora::kBadBlockIcon}) {
        std::vector<std::uint8_t> bytes = Icon(mendora::IconResource(id));
        std::string path = std::string(argv[1]) + "/" + std::to_string(id) + ".ico";
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "mendora-icons: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
