#pragma once
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "flash/RevertRecords.h"

namespace mendora::revert_tool {

// The console's text for a status code.
std::string StatusText(std::uint8_t status);

// "Status : ... Scanned Blocks : ... Bad Blocks : ... Progress : ..." for the fields now.
std::string StatusLine(const FlashGeometry& geometry);

// Prints the status line every 500 ms while a run goes on: in place on a terminal, one
// line per change otherwise.
class StatusPrinter {
public:
    StatusPrinter(const FlashGeometry& geometry, std::FILE* out, bool terminal);
    ~StatusPrinter();
    void Stop();

private:
    void Run();
    void Print(bool last);

    const FlashGeometry& geometry_;
    std::FILE* out_;
    bool terminal_;
    std::atomic<bool> stop_{false};
    std::string lastLine_;
    std::thread thread_;
};

}  // namespace mendora::revert_tool
