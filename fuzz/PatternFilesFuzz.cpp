// Pattern files of arbitrary number, nesting and length, read by the pattern test as one
// endless stream: what lands in the pattern buffer is the files' bytes in list order,
// over and over; a stream with nothing in it fails instead of spinning.
#include "fuzz/FuzzEngine.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzTransport.h"

namespace mendora::fuzz::pattern_files {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::string exe = EngineDirectory();
    const std::string patterns = exe + "/Eval Pattern";
    std::filesystem::remove_all(patterns);
    std::filesystem::create_directories(patterns);
    const std::uint8_t files = input.U8() % 8;
    for (std::uint8_t i = 0; i < files; ++i) {
        const std::uint8_t shape = input.U8();
        std::string directory = patterns + ((shape & 1) ? "/sub" + std::to_string(shape >> 6) : "");
        std::filesystem::create_directories(directory);
        testing::WriteBytes(directory + "/p" + std::to_string(i), std::string(input.Take(input.U16() % 2048)));
    }
    std::vector<std::uint32_t> reads;
    while (!input.Empty() && reads.size() < 32) reads.push_back(input.U16() % 9000);

    // A drive that carries everything and answers zeros: the engine gets as far as its
    // pattern buffer.
    struct Quiet : platform::ScsiTransport {
        platform::ScsiResult Execute(const platform::ScsiRequest& r) override { return {{}, 0, {}, r.data.size()}; }
    } drive;
    platform::FakeKernel fakes;
    ForwardingDrives drives(drive, fakes.clock);
    RevertHost host{drives, fakes.files, fakes.registry, fakes.profiles, fakes.messages, fakes.clock, exe};
    Bytes shape(data, 0);
    ShortGeometry records(shape);
    RevertEngine engine("", records.geo, records.options, 0, host);
    engine.SetPatternMode(3);

    std::string stream;
    for (const std::string& path : engine.PatternFiles()) stream += testing::ReadBytes(path);
    std::size_t at = 0;
    const std::size_t room = engine.PatternBuffer().size();
    for (std::uint32_t bytes : reads) {
        const std::size_t n = std::min<std::size_t>(bytes, room);
        bool read = engine.ReadPatternData(bytes);
        FUZZ_CHECK(read == (n == 0 || !stream.empty()));
        if (!read) continue;
        for (std::size_t i = 0; i < n; ++i, at = (at + 1) % stream.size())
            FUZZ_CHECK(engine.PatternBuffer()[i] == static_cast<std::uint8_t>(stream[at]));
    }
    return 0;
}

}  // namespace mendora::fuzz::pattern_files
