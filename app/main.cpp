// Mendora's entry point: binds the host services and the user-interface host, then runs
// start-up.
#include "app/RepairApp.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/ui/UiHost.h"
#include "resources/EmbeddedResources.h"

int main() {
    using namespace mendora;
    auto ui = platform::CreateUiHost();
    auto resources = platform::ExecutableResources(EmbeddedResourceTable());
    platform::NativeKernel host(*resources, *ui, platform::ReportedOsBuild());
    RepairApp app(host.kernel);
    app.Start();
    return 0;
}
