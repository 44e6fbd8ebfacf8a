#include "vdrive/ImageFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "vdrive/FirmwareImageFormat.h"
#include "vdrive/ImageLayout.h"

namespace mendora::vdrive {

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Moves all size bytes at offset with pread or pwrite, resuming after short transfers.
template <typename Byte, typename Transfer>
bool TransferAll(Transfer transfer, int fd, Byte* bytes, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        ssize_t n = transfer(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pwrite, fd, static_cast<const char*>(data), size, offset);
}

bool ReadAll(int fd, void* data, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pread, fd, static_cast<char*>(data), size, offset);
}

bool LockFile(int fd, short type) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &region) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

std::uint64_t StoreSize(const format::Header& h, std::uint32_t slots) {
    return h.storeOffset + std::uint64_t{slots} * h.slotBytes;
}

// The flash and the formatted disk each hold at most one distinct content per page.
std::uint64_t SlotLimit(const Geometry& g) { return 2 * g.TotalPages() + 1; }

void PlantBlocks(ImageFile& image, const Plantings& plan) {
    const Geometry& g = image.geometry();
    std::vector<std::uint32_t> order(g.TotalBlocks());
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937 random(plan.seed);
    std::uint32_t wanted = plan.factoryBad + plan.grownBad + plan.weak;
    for (std::uint32_t i = 0; i < wanted; ++i) {
        std::uniform_int_distribution<std::size_t> pick(i, order.size() - 1);
        std::swap(order[i], order[pick(random)]);
        std::uint32_t chip = order[i] / g.BlocksPerChip();
        format::BlockRecord& block = image.block(chip, order[i] % g.BlocksPerChip());
        if (i < plan.factoryBad) {
            block.kind = format::BlockKind::FactoryBad;
        } else if (i < plan.factoryBad + plan.grownBad) {
            block.kind = format::BlockKind::GrownBad;
        } else {
            block.kind = format::BlockKind::Weak;
            block.weakBits = plan.weakBits;
        }
    }
}

}  // namespace

std::unique_ptr<ImageFile> ImageFile::Create(const std::string& path, const DriveSetup& setup,
                                             std::string* error) {
    if (std::string why = CheckSetup(setup); !why.empty()) {
        *error = "cannot create " + path + ": " + why;
        return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = SystemError("cannot create", path);
        return nullptr;
    }
    std::unique_ptr<ImageFile> image(new ImageFile(path, fd));
    image->header_ = LayoutHeader(setup);
    image->geometry_ = setup.geometry;
    auto state = std::make_unique<format::State>();
    state->fileSize = StoreSize(image->header_, 0);
    state->plugged = 1;
    state->removeAfter = -1;
    std::uint8_t versionField[2 + sizeof state->firmwareVersion] = {'F', 'W'};
    if (setup.identity.firmwareVersion) {
        // The image the drive was made with: blank but for its version text.
        state->firmwarePresent = 1;
        std::memcpy(state->firmwareVersion, setup.identity.firmwareVersion->data(),
                    std::min(sizeof state->firmwareVersion, setup.identity.firmwareVersion->size()));
        std::memcpy(versionField + 2, state->firmwareVersion, sizeof state->firmwareVersion);
    }
    if (!WriteAll(fd, &image->header_, sizeof image->header_, format::kHeaderOffset) ||
        !WriteAll(fd, state.get(), sizeof *state, format::kStateOffset) ||
        ::ftruncate(fd, static_cast<off_t>(state->fileSize)) != 0 ||
        (state->firmwarePresent &&
         !WriteAll(fd, versionField, sizeof versionField, image->header_.firmwareOffset + firmware::kVersionOffset - 2)) ||
        !image->Map(state->fileSize, error)) {
        if (error->empty()) *error = SystemError("cannot write", path);
        ::unlink(path.c_str());
        return nullptr;
    }
    PlantBlocks(*image, setup.plantings);
    return image;
}

std::unique_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError("cannot open", path);
        return nullptr;
    }
    std::unique_ptr<ImageFile> image(new ImageFile(path, fd));
    if (!LockFile(fd, F_WRLCK)) {
        *error = SystemError("cannot lock", path);
        return nullptr;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && image->Validate(static_cast<std::uint64_t>(info.st_size), error);
    LockFile(fd, F_UNLCK);
    return ok ? std::move(image) : nullptr;
}

bool ImageFile::Validate(std::uint64_t fileSize, std::string* error) {
    std::string refused = path_ + " is not a virtual drive image";
    if (fileSize < format::kTablesOffset || !ReadAll(fd_, &header_, sizeof header_, 0) ||
        std::memcmp(header_.magic, format::kMagic, sizeof header_.magic) != 0) {
        *error = refused;
        return false;
    }
    if (header_.version != format::kVersion) {
        *error = path_ + ": image version " + std::to_string(header_.version) + " is not supported (this build reads " +
                 std::to_string(format::kVersion) + "); create the image again";
        return false;
    }
    DriveSetup setup{IdentityOf(header_), GeometryOf(header_), {}};
    // An unknown speed model reads as another one, which the comparison below refuses.
    setup.speed = header_.speedModel <= static_cast<std::uint32_t>(SpeedModel::Usb3)
                      ? static_cast<SpeedModel>(header_.speedModel)
                      : SpeedModel::None;
    format::Header expected = LayoutHeader(setup);
    if (header_.crc != HeaderCrc(header_) || !CheckSetup(setup).empty() ||
        std::memcmp(&expected, &header_, sizeof expected) != 0) {
        *error = path_ + ": the image header is damaged";
        return false;
    }
    geometry_ = setup.geometry;
    format::State state{};
    if (!ReadAll(fd_, &state, sizeof state, format::kStateOffset)) {
        *error = path_ + ": the image is truncated";
        return false;
    }
    bool sound = state.slotCapacity <= SlotLimit(geometry_) &&
                 state.fileSize == StoreSize(header_, state.slotCapacity) &&
                 state.slotHighWater <= state.slotCapacity && state.freeHead <= state.slotHighWater &&
                 state.faultCount <= format::kMaxFaults && state.plugged <= 1 && state.diskReady <= 1 &&
                 state.diskSectors <= geometry_.TotalPages() * geometry_.sectorsPerPage &&
                 state.diskPagesUsed <= geometry_.TotalPages();
    if (!sound) {
        *error = path_ + ": the image state is damaged";
        return false;
    }
    if (state.fileSize > fileSize) {
        *error = path_ + ": the image is truncated";
        return false;
    }
    return Map(state.fileSize, error);
}

ImageFile::~ImageFile() {
    Unmap();
    ::close(fd_);
}

void ImageFile::Unmap() {
    if (base_ == nullptr) return;
    ForgetMapping(base_);
    ::munmap(base_, mapped_);
    base_ = nullptr;
    mapped_ = 0;
}

bool ImageFile::Map(std::uint64_t size, std::string* error) {
    Unmap();
    void* at = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (at == MAP_FAILED) {
        *error = SystemError("cannot map", path_);
        return false;
    }
    base_ = static_cast<std::uint8_t*>(at);
    mapped_ = size;
    WatchMapping(base_, mapped_);
    return true;
}

bool ImageFile::Lock(std::string* error) {
    threads_.lock();
    if (!LockFile(fd_, F_WRLCK)) {
        *error = SystemError("cannot lock", path_);
        threads_.unlock();
        return false;
    }
    struct stat info {};
    std::uint64_t wanted = base_ ? state().fileSize : 0;
    bool ok = base_ != nullptr && !Damaged() && ::fstat(fd_, &info) == 0 &&
              static_cast<std::uint64_t>(info.st_size) >= mapped_;
    if (ok && wanted != mapped_) {
        ok = wanted == StoreSize(header_, state().slotCapacity) &&
             wanted <= static_cast<std::uint64_t>(info.st_size) && Map(wanted, error);
    }
    if (!ok) {
        if (error->empty()) *error = path_ + ": the image was truncated or damaged";
        LockFile(fd_, F_UNLCK);
        threads_.unlock();
    }
    return ok;
}

void ImageFile::Unlock() {
    LockFile(fd_, F_UNLCK);
    threads_.unlock();
}

Identity ImageFile::identity() {
    Identity id = IdentityOf(header_);
    const format::State& s = state();
    id.firmwareVersion.reset();
    if (s.firmwarePresent) {
        std::string version(s.firmwareVersion, sizeof s.firmwareVersion);
        version.resize(std::strlen(version.c_str()));
        id.firmwareVersion = version;
    }
    return id;
}

std::uint32_t& ImageFile::diskSlot(std::uint64_t logicalPage) {
    return reinterpret_cast<std::uint32_t*>(base_ + header_.diskTableOffset)[logicalPage];
}

void ImageFile::DiscardDiskTable() {
    std::uint64_t length = geometry_.TotalPages() * sizeof(std::uint32_t);
    // A hole reads as zeros; where the file system cannot punch one, zero the table by hand.
    if (::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(header_.diskTableOffset),
                    static_cast<off_t>(length)) != 0) {
        std::memset(base_ + header_.diskTableOffset, 0, length);
    }
}

format::BlockRecord& ImageFile::block(std::uint32_t chip, std::uint32_t block) {
    auto* table = reinterpret_cast<format::BlockRecord*>(base_ + header_.blockTableOffset);
    return table[std::uint64_t{chip} * geometry_.BlocksPerChip() + block];
}

format::PageRecord& ImageFile::page(std::uint32_t chip, std::uint32_t block, std::uint32_t page) {
    auto* table = reinterpret_cast<format::PageRecord*>(base_ + header_.pageTableOffset);
    std::uint64_t blockIndex = std::uint64_t{chip} * geometry_.BlocksPerChip() + block;
    return table[blockIndex * geometry_.pagesPerBlock + page];
}

std::uint32_t& ImageFile::bucket(std::uint64_t hash) {
    auto* table = reinterpret_cast<std::uint32_t*>(base_ + header_.bucketOffset);
    return table[hash & (header_.bucketCount - 1)];
}

format::SlotMeta* ImageFile::slot(std::uint32_t number) {
    if (number == 0 || number > state().slotCapacity) return nullptr;
    return reinterpret_cast<format::SlotMeta*>(base_ + header_.storeOffset +
                                               std::uint64_t{number - 1} * header_.slotBytes);
}

std::uint8_t* ImageFile::slotData(std::uint32_t number) {
    auto* meta = slot(number);
    return meta ? reinterpret_cast<std::uint8_t*>(meta + 1) : nullptr;
}

bool ImageFile::GrowStore(std::uint32_t more) {
    std::uint32_t capacity = state().slotCapacity;
    std::uint64_t limit = SlotLimit(geometry_);
    std::uint64_t wanted = std::max<std::uint64_t>({capacity + std::uint64_t{more}, capacity * 2ull, std::uint64_t{64}});
    wanted = std::min(wanted, limit);
    if (wanted < capacity + std::uint64_t{more}) return false;
    std::uint64_t oldSize = StoreSize(header_, capacity);
    std::uint64_t newSize = StoreSize(header_, static_cast<std::uint32_t>(wanted));
    // Reserve the disk blocks now: a full disk must fail here, not as a fault on a mapped write.
    if (::posix_fallocate(fd_, static_cast<off_t>(oldSize), static_cast<off_t>(newSize - oldSize)) != 0)
        return false;
    std::string ignored;
    if (!Map(newSize, &ignored)) {
        Map(oldSize, &ignored);
        return false;
    }
    state().slotCapacity = static_cast<std::uint32_t>(wanted);
    state().fileSize = newSize;
    return true;
}

void ImageFile::PublishPlugState() {
    format::State& s = state();
    std::size_t at = offsetof(format::State, plugged);
    std::size_t length = offsetof(format::State, commandCount) - at;
    WriteAll(fd_, reinterpret_cast<std::uint8_t*>(&s) + at, length, format::kStateOffset + at);
}

}  // namespace mendora::vdrive
