#include "platform/scsi/SgPassThrough.h"

#include <linux/fs.h>
#include <scsi/sg_pt.h>
#include <sys/ioctl.h>

#include <cstring>

namespace mendora::platform {

namespace {

class SgPtObject : public SgPassThrough {
public:
    SgPtObject(int fd, sg_pt_base* object) : fd_(fd), object_(object) {}
    ~SgPtObject() override {
        destruct_scsi_pt_obj(object_);
        scsi_pt_close_device(fd_);
    }
    void Clear() override { clear_scsi_pt_obj(object_); }
    void SetCdb(const std::uint8_t* cdb, int length) override { set_scsi_pt_cdb(object_, cdb, length); }
    void SetSense(std::uint8_t* sense, int capacity) override { set_scsi_pt_sense(object_, sense, capacity); }
    void SetDataIn(std::uint8_t* data, int length) override { set_scsi_pt_data_in(object_, data, length); }
    void SetDataOut(const std::uint8_t* data, int length) override { set_scsi_pt_data_out(object_, data, length); }
    int Do(int timeoutSeconds) override { return do_scsi_pt(object_, fd_, timeoutSeconds, 0); }
    int ResultCategory() override { return get_scsi_pt_result_category(object_); }
    int Status() override { return get_scsi_pt_status_response(object_); }
    int Resid() override { return get_scsi_pt_resid(object_); }
    int SenseLength() override { return get_scsi_pt_sense_len(object_); }
    int OsError() override { return get_scsi_pt_os_err(object_); }
    // The kernel refuses a pass-through above the queue's sector limit (120 KiB on
    // usb-storage unless raised); the generic node tells it in bytes.
    int MaxTransferBytes() override {
        int bytes = 0;
        return ::ioctl(fd_, BLKSECTGET, &bytes) == 0 && bytes > 0 ? bytes : 0;
    }

private:
    int fd_;
    sg_pt_base* object_;
};

}  // namespace

std::unique_ptr<SgPassThrough> OpenSgPassThrough(const std::string& node, std::string* error) {
    int fd = scsi_pt_open_device(node.c_str(), false, 0);
    if (fd < 0) {
        *error = "cannot open " + node + ": " + std::strerror(-fd);
        return nullptr;
    }
    sg_pt_base* object = construct_scsi_pt_obj_with_fd(fd, 0);
    if (object == nullptr) {
        scsi_pt_close_device(fd);
        *error = "cannot use " + node + " for SCSI pass-through";
        return nullptr;
    }
    return std::make_unique<SgPtObject>(fd, object);
}

}  // namespace mendora::platform
