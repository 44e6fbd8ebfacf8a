#include "tools/common/ReportFile.h"

#include "platform/kernel/OutputFiles.h"

namespace mendora::tools {

bool WriteReportFile(const std::string& path, const std::string& text, std::string* error) {
    std::string why;
    auto file = platform::CreateOutputFile(path, &why);
    if (!file) {
        *error = "cannot write " + path + ": " + why;
        return false;
    }
    if (file->Write(text.data(), text.size()) != static_cast<long>(text.size())) {
        *error = "cannot write " + path + ": the write failed";
        return false;
    }
    return true;
}

}  // namespace mendora::tools
