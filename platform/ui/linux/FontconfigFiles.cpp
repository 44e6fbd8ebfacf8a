// Font files found by fontconfig.
#include <fontconfig/fontconfig.h>

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

}  // namespace

FaceFile MatchFace(const std::string& family, int weight) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FaceFile found = MatchPattern(pattern, weight);
    FcPatternDestroy(pattern);
    return found;
}

FaceFile MatchFaceWith(char32_t code, int weight) {
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, code);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FaceFile found = MatchPattern(pattern, weight, code);
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    return found;
}

}  // namespace mendora::platform
