#include "console/ConsoleState.h"

namespace mendora {

ConsoleState& Console() {
    static ConsoleState state;
    return state;
}

}  // namespace mendora
