#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace mendora::platform {

// The calls of libsgutils2's pass-through object the Linux transport makes, one to one,
// so that the translation can be tested without a device.
class SgPassThrough {
public:
    virtual ~SgPassThrough() = default;
    virtual void Clear() = 0;
    virtual void SetCdb(const std::uint8_t* cdb, int length) = 0;
    virtual void SetSense(std::uint8_t* sense, int capacity) = 0;
    virtual void SetDataIn(std::uint8_t* data, int length) = 0;
    virtual void SetDataOut(const std::uint8_t* data, int length) = 0;
    virtual int Do(int timeoutSeconds) = 0;  // as do_scsi_pt
    virtual int ResultCategory() = 0;
    virtual int Status() = 0;
    virtual int Resid() = 0;
    virtual int SenseLength() = 0;
    virtual int OsError() = 0;
    // The most data bytes one command may move on this node; 0 when the node does not say.
    virtual int MaxTransferBytes() { return 0; }
};

// The pass-through object on an opened device node (/dev/sgN or /dev/sdX); null with
// *error set when the node cannot be opened.
std::unique_ptr<SgPassThrough> OpenSgPassThrough(const std::string& node, std::string* error);

}  // namespace mendora::platform
