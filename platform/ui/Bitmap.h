#pragma once
#include <string>
#include <vector>

#include "platform/ui/Types.h"

namespace mendora::platform {

// A picture of COLORREF pixels, row by row from the top.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, COLORREF fill = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rect Bounds() const { return {0, 0, width_, height_}; }
    COLORREF Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
    void SetPixel(int x, int y, COLORREF c) { pixels_[Index(x, y)] = c; }
    void Fill(const Rect& r, COLORREF c);
    // Copies the part of this bitmap at the source rectangle.
    Bitmap Crop(const Rect& r) const;

    // Writes an RGB PNG, creating missing directories; answers whether it worked.
    bool WritePng(const std::string& path) const;

private:
    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

}  // namespace mendora::platform
