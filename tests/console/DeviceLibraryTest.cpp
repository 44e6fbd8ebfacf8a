#include "console/DeviceLibrary.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/kernel/fake/FakeServices.h"

namespace mendora {
namespace {

using Entry = DeviceLibrary::Entry;
using Lookup = DeviceLibrary::Lookup;

QdllHandle FakeCreate() { return 7; }
int FakeChipId(QdllHandle device, std::uint16_t* id, std::uint16_t* version) {
    *id = static_cast<std::uint16_t>(0x90 + device);
    *version = 1;
    return 1;
}
int FakeProgress(QdllHandle) { return 42; }

platform::FakeModuleLoader::Symbols SomeEntries() {
    return {{"QDLL_CreateCUSBDevice", reinterpret_cast<void*>(&FakeCreate)},
            {"QDLL_GetChipID", reinterpret_cast<void*>(&FakeChipId)},
            {"QDLL_GetCurrentProgress", reinterpret_cast<void*>(&FakeProgress)}};
}

TEST(DeviceLibrary, LoadsOnFirstUseAndLooksEachEntryUpOnce) {
    platform::FakeModuleLoader loader;
    loader.modules["QDLL"] = SomeEntries();
    {
        DeviceLibrary library(loader, "QDLL");
        EXPECT_EQ(library.LookupState(Entry::CreateCUSBDevice), Lookup::NotTried);
        EXPECT_TRUE(loader.loads.empty());
        EXPECT_EQ(library.CreateCUSBDevice(), 7u);
        std::uint16_t id = 0, version = 0;
        EXPECT_EQ(library.GetChipID(7, &id, &version), 1);
        EXPECT_EQ(id, 0x97);
        EXPECT_EQ(library.LookupState(Entry::GetChipID), Lookup::Present);
        EXPECT_EQ(library.LookupState(Entry::GetErrorCode), Lookup::NotTried);
        EXPECT_EQ(library.GetErrorCode(7), 0u);  // missing: success for the caller
        EXPECT_EQ(library.LookupState(Entry::GetErrorCode), Lookup::Missing);
        EXPECT_EQ(loader.loads.size(), 1u);
        EXPECT_EQ(loader.unloads.load(), 0);
    }
    EXPECT_EQ(loader.unloads.load(), 1);  // freed with the binding
}

TEST(DeviceLibrary, MissingEntriesAnswerZeroAndLeaveOutputsAlone) {
    platform::FakeModuleLoader loader;
    loader.modules["QDLL"] = SomeEntries();
    DeviceLibrary library(loader, "QDLL");
    std::uint32_t bad = 5, total = 6;
    std::uint16_t divisor = 7;
    EXPECT_EQ(library.GetBADBlockInfomation(1, &bad, &total, &divisor), 0);
    EXPECT_EQ(bad, 5u);
    EXPECT_EQ(total, 6u);
    EXPECT_EQ(divisor, 7);
    char version[32] = "unchanged";
    EXPECT_EQ(library.GetFwVersion(1, version), 0);
    EXPECT_STREQ(version, "unchanged");
    EXPECT_FALSE(library.Has(Entry::DeviceExist));
}

TEST(DeviceLibrary, AFailedLoadIsKeptAndNeverRetried) {
    platform::FakeModuleLoader loader;
    DeviceLibrary library(loader, "QDLL");
    EXPECT_FALSE(library.Has(Entry::CreateCUSBDevice));
    EXPECT_EQ(library.CreateCUSBDevice(), 0u);
    EXPECT_EQ(library.DeviceExist(0), 0);
    EXPECT_EQ(library.LoadError(), 126u);
    EXPECT_EQ(loader.loads.size(), 1u);
}

TEST(DeviceLibrary, EntriesMayBeFirstUsedFromTwoThreadsAtOnce) {
    platform::FakeModuleLoader loader;
    loader.modules["QDLL"] = SomeEntries();
    DeviceLibrary library(loader, "QDLL");
    int progress = 0;
    std::thread poller([&] {
        for (int i = 0; i < 100; ++i) progress = library.GetCurrentProgress(7);
    });
    std::uint16_t id = 0, version = 0;
    for (int i = 0; i < 100; ++i) library.GetChipID(7, &id, &version);
    poller.join();
    EXPECT_EQ(progress, 42);
    EXPECT_EQ(loader.loads.size(), 1u);
}

}  // namespace
}  // namespace mendora
