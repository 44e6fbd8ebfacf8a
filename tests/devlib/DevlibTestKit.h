#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/TempDir.h"
#include "platform/kernel/NativeKernel.h"
#include "tests/Environment.h"
#include "tests/devlib/QdllModule.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {

// A test with the loaded module, one new device handle and virtual drives of its own.
struct LibraryFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(qdll.module != nullptr) << qdll.load.errorText;
        ASSERT_TRUE(qdll.Complete());
        mendora::testing::SetEnv("MENDORA_VDRIVE", "");
        handle = qdll.CreateCUSBDevice();
        ASSERT_NE(handle, 0u);
    }
    void TearDown() override { mendora::testing::UnsetEnv("MENDORA_VDRIVE"); }

    // Creates an image and makes it the only virtual drive.
    std::unique_ptr<vdrive::VirtualDrive> Plug(vdrive::DriveSetup setup, const std::string& name = "a.img") {
        std::string error;
        auto drive = vdrive::VirtualDrive::Create(dir / name, setup, &error);
        EXPECT_TRUE(drive) << error;
        mendora::testing::SetEnv("MENDORA_VDRIVE", (dir / name));
        return drive;
    }
    std::unique_ptr<vdrive::VirtualDrive> Plug(const std::string& preset, const std::string& name = "a.img") {
        return Plug(*vdrive::Preset(preset), name);
    }

    QdllModule& qdll = QdllModule::Loaded();
    TempDir dir;
    QdllHandle handle = 0;
};

inline std::string ExecutableDirectory() {
    std::string exe = platform::NativeProcessHost().ExecutablePath();
    return exe.substr(0, exe.rfind('/'));
}

}  // namespace mendora::testing
