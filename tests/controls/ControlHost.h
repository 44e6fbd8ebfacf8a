#pragma once
#include <string>

#include "platform/ui/TestUiHost.h"
#include "platform/ui/Window.h"

namespace mendora::test {

// A visible top-level window on the test host, to put a control in.
struct ControlHost {
    platform::TestUiHost host;
    platform::Window frame;

    explicit ControlHost(int width = 320, int height = 240) {
        frame.Create(platform::kDialogClass, "frame", platform::WS_POPUP | platform::WS_VISIBLE,
                     {0, 0, width, height}, nullptr);
    }

    // Writes the picture where a reviewer finds it: <build>/test-output/controls/<name>.png.
    static void Save(const platform::Bitmap& picture, const std::string& name) {
        picture.WritePng(std::string(MENDORA_TEST_OUTPUT) + "/controls/" + name + ".png");
    }
};

}  // namespace mendora::test
