#include "tools/station/CountingNamespace.h"

namespace mendora::station {

namespace {

class CountingTransport : public platform::ScsiTransport {
public:
    CountingTransport(std::unique_ptr<platform::ScsiTransport> inner, TransferCount& count)
        : inner_(std::move(inner)), count_(count) {}

    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        platform::ScsiResult result = inner_->Execute(request);
        if (!result.TransportOk()) return result;
        if (auto place = FlashPlaceOf(request.cdb)) count_.Reach(*place);
        if (request.direction == platform::DataDirection::Out)
            count_.written.fetch_add(result.bytesMoved, std::memory_order_relaxed);
        if (request.direction == platform::DataDirection::In)
            count_.read.fetch_add(result.bytesMoved, std::memory_order_relaxed);
        return result;
    }
    std::size_t MaxTransferBytes() const override { return inner_->MaxTransferBytes(); }

private:
    std::unique_ptr<platform::ScsiTransport> inner_;
    TransferCount& count_;
};

}  // namespace

std::unique_ptr<platform::ScsiTransport> CountingNamespace::Open(const std::string& name, std::string* error) {
    auto drive = DriveNamespace::Open(name, error);
    if (!drive) return drive;
    return std::make_unique<CountingTransport>(std::move(drive), count_);
}

}  // namespace mendora::station
