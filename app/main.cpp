// Mendora's entry point: answers --help and --version (or a usage error), else binds the
// host services and the user-interface host, runs start-up and ends with its exit status.
#include "app/HelpAndVersion.h"
#include "app/RepairApp.h"
#include "platform/kernel/Console.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/ui/UiHost.h"
#include "resources/EmbeddedResources.h"

int main(int argc, char** argv) {
    using namespace mendora;
    platform::ProgramArguments arguments(argc, argv);
    if (auto exit = AnswerCommandLine(arguments.Count(), arguments.Values())) return *exit;
    auto ui = platform::CreateUiHost();
    auto resources = platform::ExecutableResources(EmbeddedResourceTable());
    platform::NativeKernel host(*resources, *ui, platform::ReportedOsBuild());
    RepairApp app(host.kernel);
    app.Start();
    return app.ExitStatus();
}
