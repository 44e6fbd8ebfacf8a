#include "tools/vdrive/UsbRedirServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <thread>

#include "protocol/MakerIdentity.h"
#include "vdrive/PlugWatcher.h"
#include "vdrive/UsbMassStorage.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::tools {

namespace {

namespace usb = vdrive::usb;

volatile std::sig_atomic_t stopRequested = 0;
void OnStopSignal(int) { stopRequested = 1; }

constexpr auto kConnectPatience = std::chrono::seconds(30);

// The endpoint index usbredir uses: OUT endpoints 0-15, IN endpoints 16-31.
constexpr int EndpointIndex(std::uint8_t address) { return (address & 0x80 ? 16 : 0) | (address & 0x0F); }

// One image on one socket.
class Link {
public:
    Link(UsbLink where, std::unique_ptr<vdrive::VirtualDrive> drive)
        : where_(std::move(where)), drive_(std::move(drive)), plug_(where_.image),
          function_(where_.serial.empty() ? UsbSerial(where_.image) : where_.serial, [this](const vdrive::Command& c) { return drive_->Execute(c); }) {}
    ~Link() {
        if (parser_) usbredirparser_destroy(parser_);
        if (fd_ >= 0) ::close(fd_);
    }

    bool Connect(std::string* error);
    bool Open() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    int PlugDescriptor() const { return static_cast<int>(plug_.Waitable()); }
    bool WantsWrite() { return parser_ && usbredirparser_has_data_to_write(parser_) > 0; }
    void OnReadable();
    void OnWritable() { Flush(); }
    void OnPlugChange();

private:
    static Link& Of(void* priv) { return *static_cast<Link*>(priv); }
    void Close();
    void Flush();
    void AttachToBus();
    void DetachFromBus();
    void SendInterfaceAndEndpoints();
    void Answer(std::uint64_t id, std::uint8_t endpoint, const usb::PacketAnswer& answer, std::size_t outLength);

    // Parser callbacks.
    static int Read(void* priv, std::uint8_t* data, int count);
    static int Write(void* priv, std::uint8_t* data, int count);
    static void Log(void* priv, int level, const char* message);
    static void Hello(void* priv, usb_redir_hello_header*);
    static void Reset(void* priv);
    static void SetConfiguration(void* priv, std::uint64_t id, usb_redir_set_configuration_header* h);
    static void GetConfiguration(void* priv, std::uint64_t id);
    static void SetAltSetting(void* priv, std::uint64_t id, usb_redir_set_alt_setting_header* h);
    static void GetAltSetting(void* priv, std::uint64_t id, usb_redir_get_alt_setting_header* h);
    static void CancelDataPacket(void* priv, std::uint64_t id);
    static void DisconnectAck(void* priv);
    static void ControlPacket(void* priv, std::uint64_t id, usb_redir_control_packet_header* h, std::uint8_t* data,
                              int length);
    static void BulkPacket(void* priv, std::uint64_t id, usb_redir_bulk_packet_header* h, std::uint8_t* data,
                           int length);

    UsbLink where_;
    std::unique_ptr<vdrive::VirtualDrive> drive_;
    vdrive::PlugWatcher plug_;
    usb::MassStorageFunction function_;
    usbredirparser* parser_ = nullptr;
    int fd_ = -1;
    bool helloSeen_ = false;
    bool onBus_ = false;
    bool awaitingAck_ = false;   // packets until the host acknowledges a disconnect are stale
    bool wantBus_ = false;       // the image is plugged in
    std::uint8_t configuration_ = 0;
    struct Held {
        std::uint64_t id;
        std::uint8_t endpoint;
    };
    std::vector<Held> held_;
};

bool Link::Connect(std::string* error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (where_.socket.size() >= sizeof address.sun_path) {
        *error = "socket path too long: " + where_.socket;
        return false;
    }
    std::memcpy(address.sun_path, where_.socket.c_str(), where_.socket.size() + 1);
    auto deadline = std::chrono::steady_clock::now() + kConnectPatience;
    for (;;) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            *error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            fd_ = fd;
            break;
        }
        int failure = errno;
        ::close(fd);
        // The host may not have made its socket yet.
        if ((failure != ENOENT && failure != ECONNREFUSED) || std::chrono::steady_clock::now() > deadline ||
            stopRequested) {
            *error = "cannot connect to " + where_.socket + ": " + std::strerror(failure);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    parser_ = usbredirparser_create();
    parser_->priv = this;
    parser_->log_func = Log;
    parser_->read_func = Read;
    parser_->write_func = Write;
    parser_->hello_func = Hello;
    parser_->reset_func = Reset;
    parser_->set_configuration_func = SetConfiguration;
    parser_->get_configuration_func = GetConfiguration;
    parser_->set_alt_setting_func = SetAltSetting;
    parser_->get_alt_setting_func = GetAltSetting;
    parser_->cancel_data_packet_func = CancelDataPacket;
    parser_->device_disconnect_ack_func = DisconnectAck;
    parser_->control_packet_func = ControlPacket;
    parser_->bulk_packet_func = BulkPacket;
    std::uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
    usbredirparser_caps_set_cap(caps, usb_redir_cap_connect_device_version);
    usbredirparser_caps_set_cap(caps, usb_redir_cap_device_disconnect_ack);
    usbredirparser_caps_set_cap(caps, usb_redir_cap_ep_info_max_packet_size);
    usbredirparser_caps_set_cap(caps, usb_redir_cap_64bits_ids);
    usbredirparser_caps_set_cap(caps, usb_redir_cap_32bits_bulk_length);
    usbredirparser_init(parser_, "mendora-vdrive", caps, USB_REDIR_CAPS_SIZE, usbredirparser_fl_usb_host);
    std::string infoError;
    auto info = drive_->Info(&infoError);
    wantBus_ = info && info->plugged;
    plug_.Poll();  // from here on, report changes only
    Flush();
    return true;
}

void Link::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void Link::Flush() {
    while (fd_ >= 0 && parser_ && usbredirparser_has_data_to_write(parser_) > 0) {
        int done = usbredirparser_do_write(parser_);
        if (done < 0) {
            Close();
            return;
        }
        // The rest waits for the socket to take more.
        if (usbredirparser_has_data_to_write(parser_) > 0) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 0) <= 0) return;
        }
    }
}

void Link::OnReadable() {
    if (usbredirparser_do_read(parser_) != 0) {
        Close();
        return;
    }
    Flush();
}

void Link::OnPlugChange() {
    // Each event in turn: a quick re-plug still leaves the bus and comes back.
    for (vdrive::PlugEvent e : plug_.Poll()) {
        wantBus_ = e == vdrive::PlugEvent::Arrival;
        if (wantBus_) AttachToBus();
        else DetachFromBus();
    }
    Flush();
}

void Link::SendInterfaceAndEndpoints() {
    usb_redir_interface_info_header interfaces{};
    interfaces.interface_count = 1;
    interfaces.interface_class[0] = usb::kInterfaceClass;
    interfaces.interface_subclass[0] = usb::kInterfaceSubclass;
    interfaces.interface_protocol[0] = usb::kInterfaceProtocol;
    usb_redir_ep_info_header endpoints{};
    std::memset(endpoints.type, usb_redir_type_invalid, sizeof endpoints.type);
    for (int control : {0, 16}) {
        endpoints.type[control] = usb_redir_type_control;
        endpoints.max_packet_size[control] = usb::kControlMaxPacket;
    }
    for (std::uint8_t bulk : {usb::kBulkInEndpoint, usb::kBulkOutEndpoint}) {
        endpoints.type[EndpointIndex(bulk)] = usb_redir_type_bulk;
        endpoints.max_packet_size[EndpointIndex(bulk)] = usb::kBulkMaxPacket;
    }
    usbredirparser_send_ep_info(parser_, &endpoints);
    usbredirparser_send_interface_info(parser_, &interfaces);
}

void Link::AttachToBus() {
    if (!helloSeen_ || onBus_) return;
    function_.Reset();
    held_.clear();
    configuration_ = 0;
    SendInterfaceAndEndpoints();
    usb_redir_device_connect_header device{};
    device.speed = usb_redir_speed_high;
    device.vendor_id = maker::kUsbVendorId;
    device.product_id = maker::kUsbProductId;
    device.device_version_bcd = usb::kDeviceRelease;
    usbredirparser_send_device_connect(parser_, &device);
    onBus_ = true;
}

void Link::DetachFromBus() {
    if (!onBus_) return;
    usbredirparser_send_device_disconnect(parser_);
    onBus_ = false;
    awaitingAck_ = usbredirparser_peer_has_cap(parser_, usb_redir_cap_device_disconnect_ack) != 0;
    held_.clear();
    function_.Reset();
}

void Link::Answer(std::uint64_t id, std::uint8_t endpoint, const usb::PacketAnswer& answer, std::size_t outLength) {
    if (answer.status == usb::PacketStatus::Hold) {
        held_.push_back({id, endpoint});
        return;
    }
    usb_redir_bulk_packet_header h{};
    h.endpoint = endpoint;
    h.status = answer.status == usb::PacketStatus::Stall ? usb_redir_stall : usb_redir_success;
    std::size_t length = endpoint & 0x80 ? answer.data.size() : outLength;
    h.length = static_cast<std::uint16_t>(length);
    h.length_high = static_cast<std::uint16_t>(length >> 16);
    usbredirparser_send_bulk_packet(parser_, id, &h, const_cast<std::uint8_t*>(answer.data.data()),
                                    static_cast<int>(answer.data.size()));
}

int Link::Read(void* priv, std::uint8_t* data, int count) {
    Link& self = Of(priv);
    ssize_t n = ::read(self.fd_, data, static_cast<std::size_t>(count));
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return -1;  // closed by the host
}

int Link::Write(void* priv, std::uint8_t* data, int count) {
    Link& self = Of(priv);
    ssize_t n = ::send(self.fd_, data, static_cast<std::size_t>(count), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

void Link::Log(void* priv, int level, const char* message) {
    if (level <= usbredirparser_warning) std::cerr << "mendora-vdrive: " << Of(priv).where_.socket << ": " << message << "\n";
}

void Link::Hello(void* priv, usb_redir_hello_header*) {
    Link& self = Of(priv);
    self.helloSeen_ = true;
    if (self.wantBus_) self.AttachToBus();
}

void Link::Reset(void* priv) {
    Link& self = Of(priv);
    // A port reset: the held packets are gone with it, and the function starts afresh.
    self.held_.clear();
    self.function_.Reset();
}

void Link::SetConfiguration(void* priv, std::uint64_t id, usb_redir_set_configuration_header* h) {
    Link& self = Of(priv);
    usb_redir_configuration_status_header status{};
    status.status = h->configuration <= 1 ? usb_redir_success : usb_redir_stall;
    if (h->configuration <= 1) self.configuration_ = h->configuration;
    status.configuration = self.configuration_;
    self.function_.Reset();
    self.held_.clear();
    usbredirparser_send_configuration_status(self.parser_, id, &status);
    if (status.status == usb_redir_success) self.SendInterfaceAndEndpoints();
}

void Link::GetConfiguration(void* priv, std::uint64_t id) {
    Link& self = Of(priv);
    usb_redir_configuration_status_header status{usb_redir_success, self.configuration_};
    usbredirparser_send_configuration_status(self.parser_, id, &status);
}

void Link::SetAltSetting(void* priv, std::uint64_t id, usb_redir_set_alt_setting_header* h) {
    usb_redir_alt_setting_status_header status{};
    status.status = h->interface == 0 && h->alt == 0 ? usb_redir_success : usb_redir_stall;
    status.interface = h->interface;
    status.alt = 0;
    usbredirparser_send_alt_setting_status(Of(priv).parser_, id, &status);
}

void Link::GetAltSetting(void* priv, std::uint64_t id, usb_redir_get_alt_setting_header* h) {
    usb_redir_alt_setting_status_header status{};
    status.status = h->interface == 0 ? usb_redir_success : usb_redir_stall;
    status.interface = h->interface;
    status.alt = 0;
    usbredirparser_send_alt_setting_status(Of(priv).parser_, id, &status);
}

void Link::CancelDataPacket(void* priv, std::uint64_t id) {
    Link& self = Of(priv);
    for (auto it = self.held_.begin(); it != self.held_.end(); ++it) {
        if (it->id != id) continue;
        usb_redir_bulk_packet_header h{};
        h.endpoint = it->endpoint;
        h.status = usb_redir_cancelled;
        usbredirparser_send_bulk_packet(self.parser_, id, &h, nullptr, 0);
        self.held_.erase(it);
        return;
    }
}

void Link::DisconnectAck(void* priv) { Of(priv).awaitingAck_ = false; }

void Link::ControlPacket(void* priv, std::uint64_t id, usb_redir_control_packet_header* h, std::uint8_t* data,
                         int length) {
    Link& self = Of(priv);
    usb_redir_control_packet_header reply = *h;
    if (!self.onBus_ || self.awaitingAck_) {
        usbredirparser_free_packet_data(self.parser_, data);
        return;
    }
    usb::SetupPacket setup{h->requesttype, h->request, h->value, h->index, h->length};
    usb::PacketAnswer answer =
        self.function_.Control(setup, std::span<const std::uint8_t>(data, data ? static_cast<std::size_t>(length) : 0));
    usbredirparser_free_packet_data(self.parser_, data);
    reply.status = answer.status == usb::PacketStatus::Done ? usb_redir_success : usb_redir_stall;
    bool in = (h->requesttype & 0x80) != 0;
    reply.length = static_cast<std::uint16_t>(in ? answer.data.size() : h->length);
    usbredirparser_send_control_packet(self.parser_, id, &reply, in ? answer.data.data() : nullptr,
                                       in ? static_cast<int>(answer.data.size()) : 0);
}

void Link::BulkPacket(void* priv, std::uint64_t id, usb_redir_bulk_packet_header* h, std::uint8_t* data, int length) {
    Link& self = Of(priv);
    std::size_t wanted = std::size_t{h->length} | std::size_t{h->length_high} << 16;
    std::vector<std::uint8_t> out(data, data + (data ? length : 0));
    usbredirparser_free_packet_data(self.parser_, data);
    if (!self.onBus_ || self.awaitingAck_) return;
    usb::PacketAnswer answer = h->endpoint == usb::kBulkInEndpoint ? self.function_.BulkIn(wanted)
                               : h->endpoint == usb::kBulkOutEndpoint
                                   ? self.function_.BulkOut(out)
                                   : usb::PacketAnswer{usb::PacketStatus::Stall, {}};
    if (self.function_.DriveGone()) {
        // Pulled out inside the command: it leaves the bus, as a stick does.
        self.wantBus_ = false;
        self.DetachFromBus();
        return;
    }
    self.Answer(id, h->endpoint, answer, out.size());
}

}  // namespace

std::string UsbSerial(const std::string& image) {
    char resolved[PATH_MAX];
    std::string path = ::realpath(image.c_str(), resolved) ? resolved : image;
    std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
    for (unsigned char c : path) hash = (hash ^ c) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(hash));
    return std::string("MV") + (text + 4);
}

int ServeUsb(const std::vector<UsbLink>& where) {
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::vector<std::unique_ptr<Link>> links;
    for (const UsbLink& w : where) {
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(w.image, &error);
        if (!drive) {
            std::cerr << "mendora-vdrive: " << error << "\n";
            return 1;
        }
        links.push_back(std::make_unique<Link>(w, std::move(drive)));
    }
    for (auto& link : links) {
        std::string error;
        if (!link->Connect(&error)) {
            std::cerr << "mendora-vdrive: " << error << "\n";
            return 1;
        }
    }
    while (!stopRequested) {
        std::vector<pollfd> fds;
        std::vector<Link*> owners;
        for (auto& link : links) {
            if (!link->Open()) continue;
            fds.push_back({link->Descriptor(), static_cast<short>(POLLIN | (link->WantsWrite() ? POLLOUT : 0)), 0});
            owners.push_back(link.get());
            fds.push_back({link->PlugDescriptor(), POLLIN, 0});
            owners.push_back(link.get());
        }
        if (fds.empty()) return 0;  // the host has gone
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            std::cerr << "mendora-vdrive: poll: " << std::strerror(errno) << "\n";
            return 1;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!fds[i].revents || !owners[i]->Open()) continue;
            if (i % 2 == 1) {
                owners[i]->OnPlugChange();
            } else {
                if (fds[i].revents & POLLOUT) owners[i]->OnWritable();
                if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) owners[i]->OnReadable();
            }
        }
    }
    return 0;
}

}  // namespace mendora::tools
