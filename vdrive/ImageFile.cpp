#include "vdrive/ImageFile.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "protocol/FirmwareImageFormat.h"
#include "vdrive/ImageFileHost.h"
#include "vdrive/ImageLayout.h"

namespace mendora::vdrive {

namespace {

bool WriteAll(std::intptr_t file, const void* data, std::size_t size, std::uint64_t offset) {
    return imagehost::WriteAt(file, data, size, offset);
}

bool ReadAll(std::intptr_t file, void* data, std::size_t size, std::uint64_t offset) {
    return imagehost::ReadAt(file, data, size, offset);
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
    std::intptr_t fd = imagehost::CreateNew(path, error);
    if (fd == imagehost::kNoFile) return nullptr;
    std::unique_ptr<ImageFile> image(new ImageFile(path, fd, true));
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
        !imagehost::SetSize(fd, state->fileSize) || !image->ReserveTables(error) ||
        (state->firmwarePresent &&
         !WriteAll(fd, versionField, sizeof versionField, image->header_.firmwareOffset + firmware::kVersionOffset - 2)) ||
        !image->Map(state->fileSize, error)) {
        if (error->empty()) *error = "cannot write " + path;
        image.reset();
        imagehost::Remove(path);
        return nullptr;
    }
    PlantBlocks(*image, setup.plantings);
    return image;
}

std::unique_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string* error, ImageAccess access) {
    const bool writable = access == ImageAccess::ReadWrite;
    std::intptr_t fd = imagehost::OpenExisting(path, writable, error);
    if (fd == imagehost::kNoFile) return nullptr;
    std::unique_ptr<ImageFile> image(new ImageFile(path, fd, writable));
    if (!imagehost::Lock(fd, writable)) {
        *error = "cannot lock " + path;
        return nullptr;
    }
    auto size = imagehost::SizeOf(fd);
    // An image made sparse by an older build gets its tables' room before any write.
    bool ok = size && image->Validate(*size, error) && (!writable || image->ReserveTables(error));
    imagehost::Unlock(fd);
    return ok ? std::move(image) : nullptr;
}

bool ImageFile::ReserveTables(std::string* error) {
    std::string why;
    if (imagehost::Reserve(file_, 0, header_.storeOffset, &why)) return true;
    *error = path_ + ": no room for the image's tables on its disk (" + why + ")";
    return false;
}

bool ImageFile::Validate(std::uint64_t fileSize, std::string* error) {
    std::string refused = path_ + " is not a virtual drive image";
    if (fileSize < format::kTablesOffset || !ReadAll(file_, &header_, sizeof header_, 0) ||
        std::memcmp(header_.magic, format::kMagic, sizeof header_.magic) != 0) {
        *error = refused;
        return false;
    }
    // A version 2 header ends before the fields of a lying drive; the file holds zeros there.
    if (header_.version == format::kPlainVersion) {
        header_.announcedSectors = 0;
        header_.lostSectors = 0;
        header_.lostSeed = 0;
    }
    if (header_.version != format::kVersion && header_.version != format::kPlainVersion) {
        *error = path_ + ": image version " + std::to_string(header_.version) + " is not supported (this build reads " +
                 std::to_string(format::kVersion) + "); create the image again";
        return false;
    }
    DriveSetup setup{IdentityOf(header_), GeometryOf(header_), {}};
    setup.lies = LiesOf(header_);
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
    if (!ReadAll(file_, &state, sizeof state, format::kStateOffset)) {
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
    imagehost::Close(file_);
}

void ImageFile::Unmap() {
    if (base_ == nullptr) return;
    ForgetMapping(base_);
    imagehost::Unmap(base_, mapped_, &mapping_);
    base_ = nullptr;
    mapped_ = 0;
}

bool ImageFile::Map(std::uint64_t size, std::string* error) {
    Unmap();
    std::uint8_t* at = imagehost::Map(file_, size, writable_, &mapping_, path_, error);
    if (at == nullptr) return false;
    base_ = at;
    mapped_ = size;
    WatchMapping(base_, mapped_);
    return true;
}

bool ImageFile::Lock(std::string* error) {
    threads_.lock();
    if (!imagehost::Lock(file_, writable_)) {
        *error = "cannot lock " + path_;
        threads_.unlock();
        return false;
    }
    std::uint64_t wanted = base_ ? state().fileSize : 0;
    auto size = imagehost::SizeOf(file_);
    bool ok = base_ != nullptr && !Damaged() && size && *size >= mapped_;
    if (ok && wanted != mapped_) {
        ok = wanted == StoreSize(header_, state().slotCapacity) && wanted <= *size && Map(wanted, error);
    }
    if (!ok) {
        if (error->empty()) *error = path_ + ": the image was truncated or damaged";
        imagehost::Unlock(file_);
        threads_.unlock();
    }
    return ok;
}

void ImageFile::Unlock() {
    imagehost::Unlock(file_);
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
    imagehost::Zero(file_, base_, header_.diskTableOffset, length);
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
    // A new mapping would forget that this one lost pages under the command.
    if (Damaged()) return false;
    std::uint32_t capacity = state().slotCapacity;
    std::uint64_t limit = SlotLimit(geometry_);
    std::uint64_t wanted = std::max<std::uint64_t>({capacity + std::uint64_t{more}, capacity * 2ull, std::uint64_t{64}});
    wanted = std::min(wanted, limit);
    if (wanted < capacity + std::uint64_t{more}) return false;
    std::uint64_t oldSize = StoreSize(header_, capacity);
    std::uint64_t newSize = StoreSize(header_, static_cast<std::uint32_t>(wanted));
    // Reserve the disk blocks now: a full disk must fail here, not as a fault on a mapped write.
    if (!imagehost::Reserve(file_, oldSize, newSize)) return false;
    std::string ignored;
    if (!Map(newSize, &ignored)) {
        Map(oldSize, &ignored);
        return false;
    }
    state().slotCapacity = static_cast<std::uint32_t>(wanted);
    state().fileSize = newSize;
    return true;
}

bool ImageFile::PublishPlugState() {
    format::State& s = state();
    std::size_t at = offsetof(format::State, plugged);
    std::size_t length = offsetof(format::State, commandCount) - at;
    return WriteAll(file_, reinterpret_cast<std::uint8_t*>(&s) + at, length, format::kStateOffset + at);
}

}  // namespace mendora::vdrive
