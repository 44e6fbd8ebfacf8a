#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Font.h"
#include "platform/ui/Types.h"
#include "platform/ui/WindowClass.h"

namespace mendora::platform {

class Window;

// A live window: its place in the tree, its state and its pending paint.
struct WindowNode {
    std::uint64_t serial = 0;
    Window* owner = nullptr;
    std::unique_ptr<Window> stand_in;  // the object GetDlgItem answers when nobody owns it
    const WindowClass* cls = nullptr;
    WindowNode* parent = nullptr;
    std::vector<std::unique_ptr<WindowNode>> children;

    int id = 0;
    std::uint32_t style = 0;
    Rect rect;  // in the parent's client coordinates
    std::string text;
    const Font* font = nullptr;

    Rect invalid;  // client coordinates
    bool erase = false;
    int paints = 0;
    std::unique_ptr<Bitmap> surface;  // top-level windows: the picture of the client area

    int check = 0;               // buttons
    bool pressed = false;        // push buttons while the left button holds them
    const Bitmap* image = nullptr;  // static icons
    int low = 0, high = 100, position = 0, step = 10;  // progress bars

    // Top-level windows.
    const Bitmap* bigIcon = nullptr;
    const Bitmap* smallIcon = nullptr;
    bool iconic = false;         // minimised by the user
    bool topmost = false;        // kept above every other window
    bool activateOnShow = true;  // whether the last show took the focus

    bool IsTopLevel() const { return parent == nullptr; }
    WindowNode& Root() { return parent ? parent->Root() : *this; }
    // Width of the frame between window and client area.
    int Border() const;
    Rect ClientRect() const;
    // Client origin in the root's surface coordinates.
    Point SurfaceOrigin() const;
    bool IsShown() const;
    WindowNode* Child(int childId) const;
    Window& Object();
};

}  // namespace mendora::platform
