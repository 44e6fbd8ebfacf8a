#include "platform/ui/WindowNode.h"

#include "platform/ui/Constants.h"
#include "platform/ui/Window.h"

namespace mendora::platform {

int WindowNode::Border() const { return (style & WS_BORDER) && parent ? 1 : 0; }

Rect WindowNode::ClientRect() const {
    int b = Border();
    return {0, 0, std::max(rect.Width() - 2 * b, 0), std::max(rect.Height() - 2 * b, 0)};
}

Point WindowNode::SurfaceOrigin() const {
    if (!parent) return {0, 0};
    Point p = parent->SurfaceOrigin();
    return {p.x + rect.left + Border(), p.y + rect.top + Border()};
}

bool WindowNode::IsShown() const { return (style & WS_VISIBLE) && (!parent || parent->IsShown()); }

WindowNode* WindowNode::Child(int childId) const {
    for (const auto& child : children)
        if (child->id == childId) return child.get();
    return nullptr;
}

Window& WindowNode::Object() {
    if (owner) return *owner;
    stand_in = std::make_unique<Window>();
    stand_in->node_ = this;
    owner = stand_in.get();
    return *owner;
}

}  // namespace mendora::platform
