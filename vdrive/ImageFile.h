#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "vdrive/DriveSetup.h"
#include "vdrive/LostSectors.h"
#include "vdrive/ImageFormat.h"
#include "vdrive/ShrinkGuard.h"
#include "vdrive/SlotHints.h"

namespace mendora::vdrive {

enum class ImageAccess { ReadWrite, ReadOnly };

// One open image file, mapped shared into memory. Between Lock() and Unlock() the caller
// holds the image alone among all processes and threads that opened it (a read-only open
// shares it with other readers); every accessor below is valid only then, and pointers it
// gives stay valid only until GrowStore(). A read-only open must not be written through.
//
// Everything before the page store (header, state, tables, firmware) has its disk space
// reserved before it is written through the mapping, and the store grows by reserved
// steps: a full disk then fails a command, never a write into the mapping half way through.
class ImageFile {
public:
    // Creates a new image (the file must not exist) with every page erased.
    static std::unique_ptr<ImageFile> Create(const std::string& path, const DriveSetup& setup,
                                             std::string* error);
    // Opens an existing image; refuses files that are not whole, intact images, and, to be
    // written, an image whose tables find no room on its disk.
    static std::unique_ptr<ImageFile> Open(const std::string& path, std::string* error,
                                           ImageAccess access = ImageAccess::ReadWrite);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // False when the image shrank or was damaged under us; the lock is then not held.
    bool Lock(std::string* error);
    // Whether another process cut the file short under the mapping (see ShrinkGuard).
    bool Damaged() const { return MappingDamaged(base_); }
    void Unlock();

    const format::Header& header() const { return header_; }
    const Geometry& geometry() const { return geometry_; }
    // The identity, with the firmware the drive holds now.
    Identity identity();
    format::State& state() { return *reinterpret_cast<format::State*>(base_ + format::kStateOffset); }
    format::BlockRecord& block(std::uint32_t chip, std::uint32_t block);
    format::PageRecord& page(std::uint32_t chip, std::uint32_t block, std::uint32_t page);
    std::uint32_t& bucket(std::uint64_t hash);
    // Slot 1..slotCapacity; nullptr for any other number.
    format::SlotMeta* slot(std::uint32_t number);
    std::uint8_t* slotData(std::uint32_t number);
    // The stored firmware image, format::kFirmwareBytes long.
    std::uint8_t* firmware() { return base_ + header_.firmwareOffset; }
    // The slot of a logical page of the formatted disk (0: never written).
    std::uint32_t& diskSlot(std::uint64_t logicalPage);
    // Zeroes the whole disk table (its disk space stays reserved).
    void DiscardDiskTable();
    // Guesses for the page store, held by this process only.
    SlotHints& hints() { return hints_; }
    // The lost sectors of a lying drive, worked out once per disk in this process.
    LostSectorCache& lostSectors() { return lost_; }

    // Makes room for at least `more` further slots; false when the disk refuses.
    bool GrowStore(std::uint32_t more);
    // Writes the plug fields through the file, so that watchers of the file see a change;
    // false when the host refused the write (the mapping holds the change all the same).
    bool PublishPlugState();

    const std::string& path() const { return path_; }
    bool writable() const { return writable_; }

private:
    ImageFile(std::string path, std::intptr_t file, bool writable)
        : path_(std::move(path)), file_(file), writable_(writable) {}
    bool Map(std::uint64_t size, std::string* error);
    void Unmap();
    bool Validate(std::uint64_t fileSize, std::string* error);
    bool ReserveTables(std::string* error);

    std::string path_;
    std::intptr_t file_;       // the host's file descriptor or handle
    bool writable_;
    std::intptr_t mapping_ = 0;  // the host's mapping object, where it has one
    std::mutex threads_;
    std::uint8_t* base_ = nullptr;
    std::uint64_t mapped_ = 0;
    format::Header header_{};
    Geometry geometry_{};
    SlotHints hints_;
    LostSectorCache lost_;
};

}  // namespace mendora::vdrive
