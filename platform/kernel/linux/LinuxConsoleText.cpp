// Text output on Linux: terminals, files and pipes all take UTF-8 as it is.
#include "platform/kernel/Console.h"

namespace mendora::platform {

void WriteText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

void ShowProgramText(std::FILE* stream, std::string_view text, const std::string&) {
    WriteText(stream, text);
    std::fflush(stream);
}

ProgramArguments::ProgramArguments(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) pointers_.push_back(argv[i]);
    pointers_.push_back(nullptr);
}

}  // namespace mendora::platform
