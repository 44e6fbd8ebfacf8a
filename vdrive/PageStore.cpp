#include "vdrive/PageStore.h"

#include <cstring>

namespace mendora::vdrive {

namespace {

std::uint64_t Mix(std::uint64_t v) {
    v ^= v >> 33;
    v *= 0xFF51AFD7ED558CCDull;
    v ^= v >> 33;
    return v;
}

// Four 64-bit lanes, one per word of each 32-byte stride, so that the compiler keeps
// each sum in one vector register.
using Lanes = std::uint64_t __attribute__((vector_size(32)));

}  // namespace

// Fletcher-style sums in four lanes: additions only, so the loop runs at memory speed;
// the second sums weigh each word by its position. Equal hashes are still compared byte
// for byte, so a weak spot costs time, never a wrong page. Built for AVX2 as well, where
// one addition covers all four lanes, and picked at run time by a plain test of the
// processor (object formats without indirect functions, and ThreadSanitizer, cannot use
// the compiler's own clones); every build gives the same value.
namespace {

[[gnu::always_inline]] inline std::uint64_t HashPageBody(const std::uint8_t* content, std::size_t length) {
    Lanes s{}, w{};
    for (std::size_t at = 0; at + 32 <= length; at += 32) {
        Lanes words;
        std::memcpy(&words, content + at, sizeof words);
        s += words;
        w += s;
    }
    std::uint64_t h = length;
    h = Mix(h ^ s[0]) ^ Mix(w[0]);
    h = Mix(h ^ s[1]) ^ Mix(w[1] + 1);
    h = Mix(h ^ s[2]) ^ Mix(w[2] + 2);
    h = Mix(h ^ s[3]) ^ Mix(w[3] + 3);
    return Mix(h);
}

__attribute__((target("avx2"))) std::uint64_t HashPageAvx2(const std::uint8_t* content, std::size_t length) {
    return HashPageBody(content, length);
}

std::uint64_t HashPagePlain(const std::uint8_t* content, std::size_t length) { return HashPageBody(content, length); }

}  // namespace

std::uint64_t HashPage(const std::uint8_t* content, std::size_t length) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 ? HashPageAvx2(content, length) : HashPagePlain(content, length);
}

bool PageStore::Holds(std::uint32_t slot, const std::uint8_t* content) {
    format::SlotMeta* meta = slot <= image_.state().slotHighWater ? image_.slot(slot) : nullptr;
    return meta != nullptr && meta->refs > 0 &&
           std::memcmp(meta + 1, content, image_.geometry().PageBytes()) == 0;
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
    // A live slot with these bytes is the only one holding them, so a right guess needs no hash.
    std::uint32_t& hint = image_.hints().For(content, pageBytes);
    if (Holds(hint, content)) {
        ++image_.slot(hint)->refs;
        return hint;
    }
    std::uint64_t hash = HashPage(content, pageBytes);
    if (std::uint32_t found = FindEqual(hash, content); found != 0) {
        ++image_.slot(found)->refs;
        return hint = found;
    }
    std::uint32_t slot = Allocate();
    if (slot == 0) return 0;
    format::SlotMeta* meta = image_.slot(slot);
    std::uint32_t& head = image_.bucket(hash);
    *meta = format::SlotMeta{hash, 1, head};
    std::memcpy(meta + 1, content, pageBytes);
    head = slot;
    return hint = slot;
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
