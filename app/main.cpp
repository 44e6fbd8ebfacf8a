// Mendora's entry point: answers --help and --version, else binds the host services and
// the user-interface host and runs start-up.
#include "app/HelpAndVersion.h"
#include "app/RepairApp.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/ui/UiHost.h"
#include "resources/EmbeddedResources.h"

int main(int argc, char** argv) {
    using namespace mendora;
    if (auto exit = AnswerHelpOrVersion(argc, argv)) return *exit;
    auto ui = platform::CreateUiHost();
    auto resources = platform::ExecutableResources(EmbeddedResourceTable());
    platform::NativeKernel host(*resources, *ui, platform::ReportedOsBuild());
    RepairApp app(host.kernel);
    app.Start();
    return 0;
}
