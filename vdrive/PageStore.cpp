#include "vdrive/PageStore.h"

#include <cstring>

namespace mendora::vdrive {

namespace {

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint64_t Mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xFF51AFD7ED558CCDull;
    v ^= v >> 33;
    return v;
}

}  // namespace

std::uint64_t HashPage(const std::uint8_t* content, std::size_t length) {
    // Fletcher-style sums in four lanes: additions only, so the loop runs at memory
    // speed; the second sums weigh each word by its position. Equal hashes are still
    // compared byte for byte, so a weak spot costs time, never a wrong page.
    std::uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0, w0 = 0, w1 = 0, w2 = 0, w3 = 0;
    for (std::size_t at = 0; at + 32 <= length; at += 32) {
        const std::uint8_t* p = content + at;
        s0 += Load64(p), s1 += Load64(p + 8), s2 += Load64(p + 16), s3 += Load64(p + 24);
        w0 += s0, w1 += s1, w2 += s2, w3 += s3;
    }
    std::uint64_t h = length;
    h = Mix(h ^ s0) ^ Mix(w0);
    h = Mix(h ^ s1) ^ Mix(w1 + 1);
    h = Mix(h ^ s2) ^ Mix(w2 + 2);
    h = Mix(h ^ s3) ^ Mix(w3 + 3);
    return Mix(h);
}

std::uint32_t PageStore::FindEqual(std::uint64_t hash, const std::uint8_t* content) {
    std::uint32_t pageBytes = image_.geometry().PageBytes();
    std::uint32_t steps = image_.state().slotCapacity;
    for (std::uint32_t at = image_.bucket(hash); at != 0 && steps-- > 0;) {
        format::SlotMeta* meta = image_.slot(at);
        if (meta == nullptr) return 0;
        if (meta->hash == hash && meta->refs > 0 && std::memcmp(meta + 1, content, pageBytes) == 0)
            return at;
        at = meta->next;
    }
    return 0;
}

std::uint32_t PageStore::Allocate() {
    format::State& state = image_.state();
    if (state.freeHead != 0) {
        std::uint32_t slot = state.freeHead;
        format::SlotMeta* meta = image_.slot(slot);
        if (meta == nullptr) return 0;
        state.freeHead = meta->next;
        return slot;
    }
    if (state.slotHighWater == state.slotCapacity && !image_.GrowStore(1)) return 0;
    return ++image_.state().slotHighWater;
}

std::uint32_t PageStore::Intern(const std::uint8_t* content) {
    std::uint32_t pageBytes = image_.geometry().PageBytes();
    std::uint64_t hash = HashPage(content, pageBytes);
    if (std::uint32_t found = FindEqual(hash, content); found != 0) {
        ++image_.slot(found)->refs;
        return found;
    }
    std::uint32_t slot = Allocate();
    if (slot == 0) return 0;
    format::SlotMeta* meta = image_.slot(slot);
    std::uint32_t& head = image_.bucket(hash);
    *meta = format::SlotMeta{hash, 1, head};
    std::memcpy(meta + 1, content, pageBytes);
    head = slot;
    return slot;
}

void PageStore::Unlink(std::uint32_t slot, std::uint64_t hash) {
    std::uint32_t* link = &image_.bucket(hash);
    std::uint32_t steps = image_.state().slotCapacity;
    while (*link != 0 && steps-- > 0) {
        format::SlotMeta* meta = image_.slot(*link);
        if (meta == nullptr) return;
        if (*link == slot) {
            *link = meta->next;
            return;
        }
        link = &meta->next;
    }
}

void PageStore::Release(std::uint32_t slot) {
    format::SlotMeta* meta = image_.slot(slot);
    if (meta == nullptr || meta->refs == 0) return;
    if (--meta->refs > 0) return;
    Unlink(slot, meta->hash);
    meta->next = image_.state().freeHead;
    image_.state().freeHead = slot;
}

const std::uint8_t* PageStore::Content(std::uint32_t slot) {
    format::SlotMeta* meta = image_.slot(slot);
    return meta != nullptr && meta->refs > 0 ? reinterpret_cast<const std::uint8_t*>(meta + 1) : nullptr;
}

}  // namespace mendora::vdrive
