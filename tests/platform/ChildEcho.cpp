// The child process tests' other program: says what it was given, exits as told, waits
// for a stop request.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/kernel/StopRequests.h"

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "args") {
        for (int i = 2; i < argc; ++i) std::printf("[%s]\n", argv[i]);
    } else if (mode == "env" && argc > 2) {
        const char* value = std::getenv(argv[2]);
        std::printf("%s\n", value != nullptr ? value : "(unset)");
    } else if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    } else if (mode == "sleep" && argc > 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    } else if (mode == "stop") {
        static std::atomic<int> stops{0};
        mendora::platform::StopRequests requests([](int count) { stops.store(count); });
        std::printf("ready\n");
        std::fflush(stdout);
        for (int i = 0; i < 1000 && stops.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::printf("stopped %d\n", stops.load());
        return 5;
    }
    return 0;
}
