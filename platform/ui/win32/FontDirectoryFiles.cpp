// Font files found by looking into font folders with FreeType: the folders listed in
// MENDORA_FONT_DIRS (separated by ';'), the Windows fonts folder, then the font files
// Windows has registered (per machine and per user; wine registers the host's fonts there).
// Families the dialogs name that are missing fall back to metric-compatible ones, then to
// any face there is.
#include "platform/kernel/win32/WindowsHeader.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <mutex>
#include <set>
#include <vector>

#include "platform/kernel/CaseFolding.h"
#include "platform/kernel/win32/Win32Text.h"
#include "platform/ui/FontFiles.h"
#include "platform/ui/win32/FontFolders.h"

namespace mendora::platform {
namespace {

struct KnownFace {
    FaceFile file;
    std::string family;
    bool bold = false;
    bool italic = false;
};

// FreeType reads a face file through a handle opened by its UTF-16 path, so that any
// folder name works.
unsigned long ReadStream(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
    HANDLE file = stream->descriptor.pointer;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return count == 0 ? 1 : 0;  // a failed seek
    if (count == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
    return got;
}

void CloseStream(FT_Stream stream) {
    CloseHandle(stream->descriptor.pointer);
    delete stream;
}

std::string FontsFolder() {
    wchar_t windows[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    return n > 0 && n < MAX_PATH ? win32::Narrow(windows, n) + "\\Fonts" : std::string();
}

std::vector<std::string> FoldersFromEnvironment() {
    std::vector<std::string> folders;
    std::string rest = win32::EnvironmentText("MENDORA_FONT_DIRS").value_or("");
    while (!rest.empty()) {
        std::size_t cut = rest.find(';');
        if (std::string one = rest.substr(0, cut); !one.empty()) folders.push_back(one);
        rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
    }
    if (std::string fonts = FontsFolder(); !fonts.empty()) folders.push_back(fonts);
    return folders;
}

// The files of the registered fonts: a bare name lies in the fonts folder.
void AddRegisteredFiles(HKEY root, std::vector<std::string>& files) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    const std::string fonts = FontsFolder();
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameSize = 512;
        wchar_t value[1024];
        DWORD valueSize = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        LONG status = RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(value), &valueSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        value[valueSize / sizeof(wchar_t)] = L'\0';
        std::string file = win32::Narrow(value);
        if (file.empty()) continue;
        bool bare = file.find_first_of("\\/:") == std::string::npos;
        files.push_back(bare ? fonts + "\\" + file : file);
    }
    RegCloseKey(key);
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

std::vector<std::string> FontFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(win32::WidePath(folder + "/*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = win32::Narrow(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsFontFile(name)) names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());  // the same order on every run
    for (std::string& name : names) name = folder + "\\" + name;
    return names;
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

// Every face of the files, each kept open for character lookups.
class FolderLookup : public FontLookup {
public:
    FolderLookup(const std::vector<std::string>& folders, const std::vector<std::string>& files) {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        std::vector<std::string> all;
        for (const std::string& folder : folders)
            for (std::string& file : FontFilesIn(folder)) all.push_back(std::move(file));
        for (const std::string& file : files)
            if (IsFontFile(file)) all.push_back(file);
        std::set<std::string> seen;
        for (const std::string& path : all) {
            std::string key = win32::SlashPath(path);
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!seen.insert(key).second) continue;
            AddFile(path);
        }
    }

    ~FolderLookup() override {
        for (FT_Face face : open_) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
    }

    FaceFile Match(const std::string& family, int weight) override {
        std::lock_guard<std::mutex> hold(mutex_);
        bool bold = weight >= 600;
        if (int i = FindFamily(family, bold); i >= 0) return faces_[i].file;
        for (const auto& list : Substitutes()) {
            if (!EqualIgnoringCase(list.front(), family)) continue;
            for (const std::string& other : list)
                if (int i = FindFamily(other, bold); i >= 0) return faces_[i].file;
        }
        for (const char* fallback : {"Liberation Sans", "Arial", "Tahoma"})
            if (int i = FindFamily(fallback, bold); i >= 0) return faces_[i].file;
        // Any upright face with Latin letters, else any face at all.
        if (FaceFile any = FirstWith(U'A', bold); !any.path.empty()) return any;
        return faces_.empty() ? FaceFile{} : faces_.front().file;
    }

    FaceFile MatchWith(char32_t code, int weight) override {
        std::lock_guard<std::mutex> hold(mutex_);
        return FirstWith(code, weight >= 600);
    }

private:
    void AddFile(const std::string& path) {
        FT_Long count = 1;
        for (FT_Long index = 0; index < count; ++index) {
            FT_Face face = nullptr;
            if (OpenFaceFile(library_, {path, static_cast<int>(index)}, &face) != 0) break;
            count = face->num_faces;
            if (!FT_IS_SCALABLE(face) || face->family_name == nullptr) {
                FT_Done_Face(face);
                continue;
            }
            faces_.push_back({{path, static_cast<int>(index)},
                              face->family_name,
                              (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                              (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0});
            open_.push_back(face);
        }
    }

    // The upright face of the family closest to the weight; -1 when the family is missing.
    int FindFamily(const std::string& family, bool bold) const {
        int best = -1;
        for (std::size_t i = 0; i < faces_.size(); ++i) {
            const KnownFace& f = faces_[i];
            if (!EqualIgnoringCase(f.family, family) || f.italic) continue;
            if (f.bold == bold) return static_cast<int>(i);
            if (best < 0) best = static_cast<int>(i);
        }
        return best;
    }

    FaceFile FirstWith(char32_t code, bool bold) const {
        int any = -1;
        for (std::size_t i = 0; i < faces_.size(); ++i) {
            if (faces_[i].italic || FT_Get_Char_Index(open_[i], code) == 0) continue;
            if (faces_[i].bold == bold) return faces_[i].file;
            if (any < 0) any = static_cast<int>(i);
        }
        return any >= 0 ? faces_[any].file : FaceFile{};
    }

    std::mutex mutex_;
    FT_Library library_ = nullptr;
    std::vector<KnownFace> faces_;
    std::vector<FT_Face> open_;  // one per face
};

}  // namespace

std::unique_ptr<FontLookup> FolderFontLookup(const std::vector<std::string>& folders,
                                             const std::vector<std::string>& files) {
    return std::make_unique<FolderLookup>(folders, files);
}

std::vector<std::string> RegisteredFontFiles() {
    std::vector<std::string> files;
    AddRegisteredFiles(HKEY_LOCAL_MACHINE, files);
    AddRegisteredFiles(HKEY_CURRENT_USER, files);
    return files;
}

FontLookup& HostFontLookup() {
    static std::unique_ptr<FontLookup> lookup = FolderFontLookup(FoldersFromEnvironment(), RegisteredFontFiles());
    return *lookup;
}

int OpenFaceFile(FT_LibraryRec_* library, const FaceFile& file, FT_FaceRec_** face) {
    HANDLE handle = CreateFileW(win32::WidePath(file.path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FT_Err_Cannot_Open_Resource;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size) || size.QuadPart > 0x7FFFFFFF) {
        CloseHandle(handle);
        return FT_Err_Cannot_Open_Stream;
    }
    auto* stream = new FT_StreamRec{};
    stream->size = static_cast<unsigned long>(size.QuadPart);
    stream->descriptor.pointer = handle;
    stream->read = ReadStream;
    stream->close = CloseStream;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream;
    // FreeType calls the stream's close when the face is done with, or at once when the
    // face cannot be opened.
    return FT_Open_Face(library, &args, file.index, face);
}

}  // namespace mendora::platform
