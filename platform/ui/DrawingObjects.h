#pragma once
#include "platform/ui/Types.h"

namespace mendora::platform {

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_NULL = 5;

// A pen for outlines and lines; a null pen draws nothing.
class Pen {
public:
    Pen(int style, int width, COLORREF color) : style_(style), width_(width < 1 ? 1 : width), color_(color) {}
    static const Pen& Null() {
        static const Pen pen(PS_NULL, 1, 0);
        return pen;
    }
    bool IsNull() const { return style_ == PS_NULL; }
    int Width() const { return width_; }
    COLORREF Color() const { return color_; }

private:
    int style_;
    int width_;
    COLORREF color_;
};

// A solid brush for fills; the null brush fills nothing.
class Brush {
public:
    explicit Brush(COLORREF color) : color_(color), null_(false) {}
    static const Brush& Null() {
        static const Brush brush(0, true);
        return brush;
    }
    bool IsNull() const { return null_; }
    COLORREF Color() const { return color_; }

private:
    Brush(COLORREF color, bool null) : color_(color), null_(null) {}
    COLORREF color_;
    bool null_;
};

}  // namespace mendora::platform
