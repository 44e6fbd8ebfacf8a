// Mendora's entry point: binds the Linux host services and runs start-up.
#include "app/RepairApp.h"
#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/linux/LinuxKernel.h"
#include "platform/ui/TerminalMessageHost.h"
#include "resources/EmbeddedResources.h"

int main() {
    using namespace mendora;
    platform::TerminalMessageHost messages;
    platform::TableResources resources(EmbeddedResourceTable(), platform::UserLanguage());
    platform::LinuxKernel host(resources, messages);
    RepairApp app(host.kernel);
    app.Start();
    return 0;
}
