#include "platform/ui/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <vector>

#include "platform/ui/FontFiles.h"

namespace mendora::platform {

struct Glyph {
    int left = 0;
    int top = 0;
    int advance = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> on;  // width * rows, 1 where the glyph sets the pixel
};

// One FreeType face at one pixel size, with its rendered glyphs. A face whose file cannot
// be had measures every character at an average width and draws nothing.
class FontFace {
public:
    FontFace(const std::string& file, int index, int height, int weight);
    ~FontFace() {
        if (face_) FT_Done_Face(face_);
    }
    const Glyph& GlyphFor(char32_t code);
    bool Has(char32_t code) const { return face_ && FT_Get_Char_Index(face_, code) != 0; }
    bool Usable() const { return face_ != nullptr; }
    // This face when it has the character, else a face fontconfig finds that has it, else
    // this face (which then draws its missing-glyph box).
    FontFace& FaceFor(char32_t code);
    TextMetrics metrics;
    std::string file;

private:
    FT_Face face_ = nullptr;
    int height_ = 0;
    int weight_ = 0;
    std::map<char32_t, Glyph> glyphs_;
    std::map<char32_t, FontFace*> fallbacks_;
};

namespace {

std::mutex engineMutex;

// nullptr when FreeType cannot start: every face is then one without a file.
FT_Library Library() {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        return FT_Init_FreeType(&lib) == 0 ? lib : nullptr;
    }();
    return library;
}

std::mutex lookupMutex;
FontLookup* currentLookup = nullptr;
unsigned lookupGeneration = 0;

// Next code point of UTF-8 text; a byte that does not start a valid sequence stands
// for itself (Latin-1), so any 8-bit text can be drawn.
char32_t NextCodePoint(const std::string& s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte(i);
    int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    if (extra == 0 || i + extra >= s.size()) {
        ++i;
        return b;
    }
    char32_t code = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    return code;
}

// Faces by file, index, height and weight; they live as long as the process, so the
// fallbacks one face points at stay valid.
std::shared_ptr<FontFace> FaceAt(const FaceFile& file, int height, int weight) {
    static std::map<std::tuple<std::string, int, int, int>, std::shared_ptr<FontFace>> cache;
    auto key = std::make_tuple(file.path, file.index, height, weight);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    auto face = std::make_shared<FontFace>(file.path, file.index, height, weight);
    cache.emplace(key, face);
    return face;
}

// The family's face; when its file cannot be opened, any face that has Latin letters.
std::shared_ptr<FontFace> SharedFace(const std::string& family, int height, int weight) {
    static std::map<std::tuple<unsigned, std::string, int, int>, std::shared_ptr<FontFace>> cache;
    auto key = std::make_tuple(FontLookupGeneration(), family, height, weight);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    FontLookup& lookup = CurrentFontLookup();
    auto face = FaceAt(lookup.Match(family, weight), height, weight);
    if (!face->Usable()) {
        FaceFile other = lookup.MatchWith(U'A', weight);
        if (!other.path.empty()) face = FaceAt(other, height, weight);
    }
    cache.emplace(key, face);
    return face;
}

}  // namespace

FontFace::FontFace(const std::string& path, int index, int height, int weight)
    : file(path), height_(height), weight_(weight) {
    if (path.empty() || Library() == nullptr || OpenFaceFile(Library(), {path, index}, &face_) != 0) {
        face_ = nullptr;
        // Proportions of a common sans-serif face, so that layouts keep their shape.
        metrics.height = height > 0 ? height : static_cast<int>(std::lround(-height * 1.15));
        metrics.ascent = static_cast<int>(std::lround(metrics.height * 0.8));
        metrics.descent = metrics.height - metrics.ascent;
        metrics.averageWidth = std::max(1, static_cast<int>(std::lround(metrics.height * 0.4)));
        return;
    }
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    double units = face_->units_per_EM;
    double ascender = os2 ? os2->usWinAscent : face_->ascender;
    double descender = os2 ? os2->usWinDescent : -face_->descender;
    // A positive height is the cell; scale the em so that ascent + descent fill it.
    double em = height > 0 ? height * units / (ascender + descender) : -height;
    FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72);
    metrics.ascent = static_cast<int>(std::lround(ascender * em / units));
    metrics.height = height > 0 ? height : static_cast<int>(std::lround((ascender + descender) * em / units));
    metrics.descent = metrics.height - metrics.ascent;
    int alphabet = 0;
    for (char c = 'A'; c <= 'Z'; ++c) alphabet += GlyphFor(c).advance + GlyphFor(c + 32).advance;
    metrics.averageWidth = (alphabet / 26 + 1) / 2;
}

const Glyph& FontFace::GlyphFor(char32_t code) {
    auto it = glyphs_.find(code);
    if (it != glyphs_.end()) return it->second;
    Glyph glyph;
    if (!face_) {
        glyph.advance = code < 0x20 ? 0 : metrics.averageWidth;
    } else if (FT_Load_Char(face_, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0) {
        FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        glyph.width = static_cast<int>(bm.width);
        glyph.rows = static_cast<int>(bm.rows);
        glyph.on.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
        for (int y = 0; y < glyph.rows; ++y) {
            const unsigned char* row = bm.buffer + y * bm.pitch;
            for (int x = 0; x < glyph.width; ++x) {
                bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1
                                                              : row[x] >= 128;
                glyph.on[y * glyph.width + x] = on;
            }
        }
    }
    return glyphs_.emplace(code, std::move(glyph)).first->second;
}

FontFace& FontFace::FaceFor(char32_t code) {
    if (code < 0x20 || Has(code)) return *this;
    auto it = fallbacks_.find(code);
    if (it == fallbacks_.end()) {
        FaceFile file = CurrentFontLookup().MatchWith(code, weight_);
        FontFace* fallback = this;
        // An unreadable file keeps the box glyph.
        if (!file.path.empty()) {
            FontFace* other = FaceAt(file, height_, weight_).get();
            if (other->Usable()) fallback = other;
        }
        it = fallbacks_.emplace(code, fallback).first;
    }
    return *it->second;
}

Font::Font(const std::string& face, int height, int weight) : faceName_(face), height_(height) {
    std::lock_guard<std::mutex> hold(engineMutex);
    face_ = SharedFace(face, height == 0 ? 16 : height, weight);
}

Font::~Font() = default;

const std::string& Font::ResolvedFile() const { return face_->file; }

bool Font::HasFace() const { return face_->Usable(); }

const TextMetrics& Font::Metrics() const { return face_->metrics; }

Size Font::Measure(const std::string& text) const {
    std::lock_guard<std::mutex> hold(engineMutex);
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = NextCodePoint(text, i);
        width += face_->FaceFor(code).GlyphFor(code).advance;
    }
    return {width, face_->metrics.height};
}

void Font::Render(const std::string& text, int x, int top,
                  const std::function<void(int, int)>& plot) const {
    std::lock_guard<std::mutex> hold(engineMutex);
    int baseline = top + face_->metrics.ascent;
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = NextCodePoint(text, i);
        const Glyph& g = face_->FaceFor(code).GlyphFor(code);
        for (int gy = 0; gy < g.rows; ++gy)
            for (int gx = 0; gx < g.width; ++gx)
                if (g.on[gy * g.width + gx]) plot(x + g.left + gx, baseline - g.top + gy);
        x += g.advance;
    }
}

int PointsToPixelHeight(int points) { return -((points * 96 + 36) / 72); }

FontLookup& CurrentFontLookup() {
    std::lock_guard<std::mutex> hold(lookupMutex);
    return currentLookup ? *currentLookup : HostFontLookup();
}

unsigned FontLookupGeneration() {
    std::lock_guard<std::mutex> hold(lookupMutex);
    return lookupGeneration;
}

ScopedFontLookup::ScopedFontLookup(FontLookup& lookup) {
    std::lock_guard<std::mutex> hold(lookupMutex);
    previous_ = currentLookup;
    currentLookup = &lookup;
    ++lookupGeneration;
}

ScopedFontLookup::~ScopedFontLookup() {
    std::lock_guard<std::mutex> hold(lookupMutex);
    currentLookup = previous_;
    ++lookupGeneration;
}

}  // namespace mendora::platform

// fontconfig's configuration parser keeps a few allocations for the life of the process;
// the leak checker of sanitizer builds is told to ignore them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
