// Font files found by fontconfig.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/ui/FontFiles.h"

namespace mendora::platform {
namespace {

// The best scalable face for the pattern at the weight. With a code point, only a face
// whose character set holds it counts: the closest match need not when no face does.
FaceFile MatchPattern(FcPattern* pattern, int weight, char32_t code = 0) {
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FaceFile found;
    FcCharSet* has = nullptr;
    FcChar8* path = nullptr;
    bool holds = code == 0 || (match && FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch &&
                               FcCharSetHasChar(has, code));
    if (match && holds && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        found.path = reinterpret_cast<const char*>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
    }
    if (match) FcPatternDestroy(match);
    return found;
}

// The first scalable face fontconfig lists, whatever its family: what is left when
// matching found nothing (a configuration without a default family installed).
FaceFile AnyScalableFace() {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* fields = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, fields);
    FaceFile found;
    for (int i = 0; set && i < set->nfont && found.path.empty(); ++i) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) != FcResultMatch) continue;
        found.path = reinterpret_cast<const char*>(path);
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &found.index);
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(pattern);
    return found;
}

class FontconfigLookup : public FontLookup {
public:
    FaceFile Match(const std::string& family, int weight) override {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FaceFile found = MatchPattern(pattern, weight);
        FcPatternDestroy(pattern);
        return found.path.empty() ? AnyScalableFace() : found;
    }

    FaceFile MatchWith(char32_t code, int weight) override {
        FcPattern* pattern = FcPatternCreate();
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, code);
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FaceFile found = MatchPattern(pattern, weight, code);
        FcCharSetDestroy(wanted);
        FcPatternDestroy(pattern);
        return found;
    }
};

}  // namespace

FontLookup& HostFontLookup() {
    static FontconfigLookup lookup;
    return lookup;
}

int OpenFaceFile(FT_LibraryRec_* library, const FaceFile& file, FT_FaceRec_** face) {
    return FT_New_Face(library, file.path.c_str(), file.index, face);
}

}  // namespace mendora::platform
