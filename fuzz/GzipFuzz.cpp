// A gzip member of arbitrary bytes, decompressed the way extraction does it and read again
// piece by piece: a member that does not decompress never touches the destination, and one
// that does lands whole.
#include "archive/DecompressFile.h"
#include "archive/GzFile.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "platform/kernel/fake/FakeKernel.h"

namespace mendora::fuzz::gzip {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    const std::string root = FreshDirectory("gzip");
    const std::string member = root + "/member";
    const std::string destination = root + "/destination";
    testing::WriteBytes(member, AsString(data, size));
    testing::WriteBytes(destination, "earlier content");

    platform::FakeKernel fake;
    int written = DecompressFile(fake.kernel, member, destination);
    std::string result = testing::ReadBytes(destination);
    if (written == 0) FUZZ_CHECK(result == "earlier content");

    // The same member through Read in small pieces.
    GzFile gz(fake.files);
    FUZZ_CHECK(gz.Open(member, GzFile::kReading));
    std::string pieces;
    char piece[97];
    int got;
    while ((got = gz.Read(piece, sizeof piece)) > 0) pieces.append(piece, static_cast<std::size_t>(got));
    gz.Close();
    if (written == 1 && got == 0) FUZZ_CHECK(pieces == result);
    return 0;
}

}  // namespace mendora::fuzz::gzip
