#include "console/RepairDialog.h"

namespace mendora {

int RepairDialog::DoModal() {
    kernel_.debug.Write("RepairDialog: no console yet, ending");
    return 2;
}

}  // namespace mendora
