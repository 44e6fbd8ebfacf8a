#include "tools/revert/StatusLine.h"
#include "platform/kernel/Console.h"

#include <chrono>

namespace mendora::revert_tool {

std::string StatusText(std::uint8_t status) {
    switch (status) {
        case 0: return "UserBreak";
        case 1: return "Can't Mark Bad";
        case 2: return "Finish";
        case 3: return "Writing data";
        case 4: return "Read & Verify";
        case 6: return "Blank Checking";
        case 7: return "Erase first";
        case 8: return "Flash Error";
        case 9: return "Unknown Error";
        case 10: return "Ready";
        case 11: return "Can not erase";
        case 12: return "Test Redundant";
        default: return "Status " + std::to_string(status);
    }
}

std::string StatusLine(const FlashGeometry& g) {
    return "Status : " + StatusText(g.Status.load(std::memory_order_relaxed)) +
           "  Scanned Blocks : " + std::to_string(g.CurrentBlock.load(std::memory_order_relaxed)) +
           "  Bad Blocks : " + std::to_string(g.BadBlockCount.load(std::memory_order_relaxed)) +
           "  Progress : " + std::to_string(g.Progress.load(std::memory_order_relaxed));
}

StatusPrinter::StatusPrinter(const FlashGeometry& geometry, std::FILE* out, bool terminal)
    : geometry_(geometry), out_(out), terminal_(terminal), thread_([this] { Run(); }) {}

StatusPrinter::~StatusPrinter() { Stop(); }

void StatusPrinter::Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    Print(true);
}

void StatusPrinter::Run() {
    using namespace std::chrono_literals;
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
        Print(false);
        next += 500ms;
        while (!stop_ && std::chrono::steady_clock::now() < next) std::this_thread::sleep_for(10ms);
    }
}

void StatusPrinter::Print(bool last) {
    std::string line = StatusLine(geometry_);
    if (terminal_) {
        // Padding wipes what a longer earlier line left.
        platform::PrintText(out_, "\r%-90s%s", line.c_str(), last ? "\n" : "");
    } else if (line != lastLine_) {
        platform::PrintText(out_, "%s\n", line.c_str());
    }
    lastLine_ = line;
    std::fflush(out_);
}

}  // namespace mendora::revert_tool
