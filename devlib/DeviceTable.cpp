#include "devlib/DeviceTable.h"

namespace mendora::devlib {

DeviceTable& DeviceTable::Instance() {
    static DeviceTable table;
    return table;
}

QdllHandle DeviceTable::Create() {
    std::lock_guard lock(mutex_);
    devices_.push_back(std::make_unique<LibraryDevice>(process_, files_));
    return static_cast<QdllHandle>(devices_.size());
}

LibraryDevice* DeviceTable::Find(QdllHandle handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > devices_.size()) return nullptr;
    return devices_[handle - 1].get();
}

}  // namespace mendora::devlib
