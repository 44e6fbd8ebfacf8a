#pragma once
#include <string>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace mendora::platform {

struct FaceFile {
    std::string path;  // empty: none found
    int index = 0;     // the face within a collection file
};

// Where fonts find their face files: the host's fonts, or a stand-in put in place by a test.
class FontLookup {
public:
    virtual ~FontLookup() = default;
    // The installed scalable face that best matches the family at the weight (bold from
    // 600); a face of another family when the family is missing; empty only when the host
    // has no usable face at all.
    virtual FaceFile Match(const std::string& family, int weight) = 0;
    // The best face at the weight whose character set holds the code point; empty when no
    // installed face has it.
    virtual FaceFile MatchWith(char32_t code, int weight) = 0;
};

// The host's faces: fontconfig's, or on Windows those of the font folders and of the
// fonts Windows has registered.
FontLookup& HostFontLookup();

// The lookup fonts use now: the host's unless a ScopedFontLookup is in place.
FontLookup& CurrentFontLookup();
// Changes each time another lookup is put in place, so that faces found through one are
// never taken for those of another.
unsigned FontLookupGeneration();

// Puts a lookup in place for the life of the object.
class ScopedFontLookup {
public:
    explicit ScopedFontLookup(FontLookup& lookup);
    ~ScopedFontLookup();
    ScopedFontLookup(const ScopedFontLookup&) = delete;
    ScopedFontLookup& operator=(const ScopedFontLookup&) = delete;

private:
    FontLookup* previous_;
};

// Opens one face of a face file with FreeType; answers FreeType's error code (0 on success).
// Paths are UTF-8 on every host.
int OpenFaceFile(FT_LibraryRec_* library, const FaceFile& file, FT_FaceRec_** face);

}  // namespace mendora::platform
