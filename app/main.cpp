// Mendora's entry point: binds the Linux host services and the user-interface host,
// then runs start-up.
#include "app/RepairApp.h"
#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/linux/LinuxKernel.h"
#include "platform/kernel/linux/ReportedOsBuild.h"
#include "platform/ui/UiHost.h"
#include "resources/EmbeddedResources.h"

int main() {
    using namespace mendora;
    auto ui = platform::CreateUiHost();
    platform::TableResources resources(EmbeddedResourceTable(), platform::UserLanguage());
    platform::LinuxKernel host(resources, *ui, platform::ReportedOsBuild());
    RepairApp app(host.kernel);
    app.Start();
    return 0;
}
