// Font files found by looking into font folders with FreeType: the folders listed in
// MENDORA_FONT_DIRS (separated by ';'), then the Windows fonts folder. Families the dialogs
// name that a folder may not hold fall back to metric-compatible ones.
#include "platform/kernel/win32/WindowsHeader.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/kernel/CaseFolding.h"
#include "platform/ui/FontFiles.h"

namespace mendora::platform {
namespace {

struct KnownFace {
    FaceFile file;
    std::string family;
    bool bold = false;
    bool italic = false;
};

struct Catalogue {
    FT_Library library = nullptr;
    std::vector<KnownFace> faces;
    std::vector<FT_Face> open;  // one per face, for character lookups
};

std::vector<std::string> FontFolders() {
    std::vector<std::string> folders;
    if (const char* list = std::getenv("MENDORA_FONT_DIRS")) {
        std::string rest = list;
        while (!rest.empty()) {
            std::size_t cut = rest.find(';');
            if (std::string one = rest.substr(0, cut); !one.empty()) folders.push_back(one);
            rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
        }
    }
    char windows[MAX_PATH];
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n > 0 && n < sizeof windows) folders.push_back(std::string(windows) + "\\Fonts");
    return folders;
}

bool IsFontFile(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto ends = [&](const char* suffix) {
        std::string s = suffix;
        return lower.size() > s.size() && lower.compare(lower.size() - s.size(), s.size(), s) == 0;
    };
    return ends(".ttf") || ends(".ttc") || ends(".otf");
}

Catalogue& Fonts() {
    static Catalogue catalogue = [] {
        Catalogue c;
        if (FT_Init_FreeType(&c.library) != 0) return c;
        for (const std::string& folder : FontFolders()) {
            std::vector<std::string> names;
            WIN32_FIND_DATAA found{};
            HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsFontFile(found.cFileName))
                    names.push_back(found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
            std::sort(names.begin(), names.end());  // the same order on every run
            for (const std::string& name : names) {
                std::string path = folder + "\\" + name;
                FT_Long count = 1;
                for (FT_Long index = 0; index < count; ++index) {
                    FT_Face face = nullptr;
                    if (FT_New_Face(c.library, path.c_str(), index, &face) != 0) break;
                    count = face->num_faces;
                    if (!FT_IS_SCALABLE(face) || face->family_name == nullptr) {
                        FT_Done_Face(face);
                        continue;
                    }
                    c.faces.push_back({{path, static_cast<int>(index)},
                                       face->family_name,
                                       (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                                       (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0});
                    c.open.push_back(face);
                }
            }
        }
        return c;
    }();
    return catalogue;
}

std::mutex lookupMutex;

// The upright face of the family closest to the weight; -1 when the family is missing.
int FindFamily(const Catalogue& c, const std::string& family, bool bold) {
    int best = -1;
    for (std::size_t i = 0; i < c.faces.size(); ++i) {
        const KnownFace& f = c.faces[i];
        if (!EqualIgnoringCase(f.family, family) || f.italic) continue;
        if (f.bold == bold) return static_cast<int>(i);
        if (best < 0) best = static_cast<int>(i);
    }
    return best;
}

// Families that stand in for one another, each list in order of preference.
const std::vector<std::vector<std::string>>& Substitutes() {
    static const std::vector<std::vector<std::string>> lists = {
        {"System", "Liberation Sans", "Microsoft Sans Serif", "Tahoma", "Arial"},
        {"Liberation Sans", "Arial", "Microsoft Sans Serif", "Tahoma"},
        {"Arial", "Liberation Sans", "Microsoft Sans Serif", "Tahoma"},
        {"MS Shell Dlg", "Microsoft Sans Serif", "Tahoma", "Liberation Sans", "Arial"},
        {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Liberation Sans", "Arial"},
    };
    return lists;
}

}  // namespace

FaceFile MatchFace(const std::string& family, int weight) {
    std::lock_guard<std::mutex> hold(lookupMutex);
    const Catalogue& c = Fonts();
    bool bold = weight >= 600;
    if (int i = FindFamily(c, family, bold); i >= 0) return c.faces[i].file;
    for (const auto& list : Substitutes()) {
        if (!EqualIgnoringCase(list.front(), family)) continue;
        for (const std::string& other : list)
            if (int i = FindFamily(c, other, bold); i >= 0) return c.faces[i].file;
    }
    for (const char* fallback : {"Liberation Sans", "Arial", "Tahoma"})
        if (int i = FindFamily(c, fallback, bold); i >= 0) return c.faces[i].file;
    return c.faces.empty() ? FaceFile{} : c.faces.front().file;
}

FaceFile MatchFaceWith(char32_t code, int weight) {
    std::lock_guard<std::mutex> hold(lookupMutex);
    const Catalogue& c = Fonts();
    bool bold = weight >= 600;
    int any = -1;
    for (std::size_t i = 0; i < c.faces.size(); ++i) {
        if (c.faces[i].italic || FT_Get_Char_Index(c.open[i], code) == 0) continue;
        if (c.faces[i].bold == bold) return c.faces[i].file;
        if (any < 0) any = static_cast<int>(i);
    }
    return any >= 0 ? c.faces[any].file : FaceFile{};
}

}  // namespace mendora::platform
