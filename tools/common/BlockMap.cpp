#include "tools/common/BlockMap.h"

#include <png.h>

#include "platform/kernel/OutputFiles.h"

namespace mendora::tools {

namespace {

constexpr std::uint32_t kCellsPerRow = 128;
constexpr std::uint32_t kCell = 4;
constexpr std::uint32_t kBandGap = 6;

struct Rgb {
    std::uint8_t r, g, b;
};

Rgb ColourOf(const vdrive::BlockStatus& b) {
    using vdrive::format::BlockKind;
    if (b.kind == BlockKind::FactoryBad) return {0, 0, 0};
    if (b.marked) return {200, 30, 30};
    if (b.kind == BlockKind::Weak) return {230, 200, 40};
    if (b.kind == BlockKind::GrownBad) return {240, 130, 20};
    return {60, 170, 80};
}

// libpng's output: the output file; a short write ends the picture.
void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<platform::File*>(png_get_io_ptr(png));
    if (file->Write(data, length) != static_cast<long>(length)) png_error(png, "write failed");
}

void FlushNothing(png_structp) {}

}  // namespace

bool WriteBlockMap(const std::string& path, const vdrive::Geometry& g,
                   const std::vector<vdrive::BlockStatus>& blocks, std::string* error) {
    std::uint32_t rowsPerChip = (g.BlocksPerChip() + kCellsPerRow - 1) / kCellsPerRow;
    std::uint32_t bandHeight = rowsPerChip * kCell;
    std::uint32_t width = kCellsPerRow * kCell;
    std::uint32_t height = g.chipEnables * bandHeight + (g.chipEnables - 1) * kBandGap;
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 3, 255);
    for (const auto& b : blocks) {
        Rgb c = ColourOf(b);
        std::uint32_t x0 = b.block % kCellsPerRow * kCell;
        std::uint32_t y0 = b.chip * (bandHeight + kBandGap) + b.block / kCellsPerRow * kCell;
        for (std::uint32_t y = y0; y < y0 + kCell - 1; ++y) {
            for (std::uint32_t x = x0; x < x0 + kCell - 1; ++x) {
                std::uint8_t* p = &pixels[(std::size_t{y} * width + x) * 3];
                p[0] = c.r, p[1] = c.g, p[2] = c.b;
            }
        }
    }
    std::string why;
    auto file = platform::CreateOutputFile(path, &why);
    if (!file) {
        *error = "cannot write " + path + ": " + why;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0;
    if (ok) {
        png_set_write_fn(png, file.get(), WriteToFile, FlushNothing);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (std::uint32_t y = 0; y < height; ++y) png_write_row(png, &pixels[std::size_t{y} * width * 3]);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (!ok) *error = "cannot write " + path;
    return ok;
}

}  // namespace mendora::tools
