#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Types.h"

namespace mendora::platform {

struct TextMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int averageWidth = 0;
};

class FontFace;

// A font by face name and height in pixels: a positive height is the cell height
// (ascent + descent), a negative one the character height (the em size). The face is
// found through the font lookup (fontconfig), so "Arial" resolves to a metric-compatible
// face, and a missing family to another face the host has. Glyphs are rendered without
// anti-aliasing, so text pixels carry exactly the text colour. A character the face lacks
// is drawn and measured with a face the lookup finds that has it (for Chinese texts, a
// CJK face), at the same height and on the same baseline. Without any face the font
// measures text at an average width and draws nothing (HasFace says so).
class Font {
public:
    Font(const std::string& face, int height, int weight = 400);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const std::string& FaceName() const { return faceName_; }
    int Height() const { return height_; }
    const std::string& ResolvedFile() const;
    // Whether a face file was found and opened, so that text shows.
    bool HasFace() const;

    const TextMetrics& Metrics() const;
    // Width of one line of text and the cell height.
    Size Measure(const std::string& text) const;
    // Calls plot(x, y) for every pixel of the line whose cell starts at (x, top).
    void Render(const std::string& text, int x, int top,
                const std::function<void(int, int)>& plot) const;

private:
    std::string faceName_;
    int height_;
    std::shared_ptr<FontFace> face_;
};

// Dialog font sizes are in points; the framework assumes 96 dots per inch.
int PointsToPixelHeight(int points);

}  // namespace mendora::platform
