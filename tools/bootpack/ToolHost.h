#pragma once
#include <cstdio>
#include "platform/kernel/Console.h"
#include <cstdlib>
#include <string>

#include "platform/kernel/DebugOutput.h"
#include "platform/kernel/MessageHost.h"

namespace mendora::bootpack {

// Diagnostics and message boxes of the archive code as lines on stderr, counted so
// that the tool can fail when an entry was not extracted.
class ToolHost : public platform::DebugOutput, public platform::MessageHost {
public:
    int problems = 0;

    void Write(const std::string& line) override { Report(line); }
    int MessageBox(const std::string& text, const std::string& caption,
                   platform::MessageButtons) override {
        Report(text + " (" + caption + ")");
        return platform::kIdOk;
    }
    [[noreturn]] void FatalExit(const std::string& text) override {
        platform::PrintText(stderr, "bootpack: %s\n", text.c_str());
        std::exit(1);
    }
    bool ActivateWindow(const std::string&) override { return false; }

private:
    void Report(const std::string& line) {
        ++problems;
        platform::PrintText(stderr, "bootpack: %s\n", line.c_str());
    }
};

}  // namespace mendora::bootpack
