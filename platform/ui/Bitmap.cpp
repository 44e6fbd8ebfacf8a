#include "platform/ui/Bitmap.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace mendora::platform {

Bitmap::Bitmap(int width, int height, COLORREF fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

void Bitmap::Fill(const Rect& r, COLORREF c) {
    Rect clipped = r.Intersect(Bounds());
    for (int y = clipped.top; y < clipped.bottom; ++y)
        std::fill_n(pixels_.begin() + Index(clipped.left, y), clipped.Width(), c);
}

Bitmap Bitmap::Crop(const Rect& r) const {
    Bitmap out(r.Width(), r.Height());
    Rect src = r.Intersect(Bounds());
    for (int y = src.top; y < src.bottom; ++y)
        for (int x = src.left; x < src.right; ++x) out.SetPixel(x - r.left, y - r.top, Pixel(x, y));
    return out;
}

bool Bitmap::WritePng(const std::string& path) const {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file || width_ == 0 || height_ == 0) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(width_) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width_, height_, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            COLORREF c = Pixel(x, y);
            row[x * 3] = GetRValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetBValue(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace mendora::platform
