#pragma once
#include <string>

namespace mendora::platform {

struct FaceFile {
    std::string path;  // empty: none found
    int index = 0;     // the face within a collection file
};

// The installed scalable face that best matches the family at the weight (bold from 600).
FaceFile MatchFace(const std::string& family, int weight);
// The best face at the weight whose character set holds the code point; empty when no
// installed face has it.
FaceFile MatchFaceWith(char32_t code, int weight);

}  // namespace mendora::platform
