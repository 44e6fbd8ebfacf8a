#include "platform/ui/Dialog.h"

#include "platform/ui/UiHost.h"
#include "platform/ui/WindowNode.h"

namespace mendora::platform {
namespace {

int MulDiv(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

}  // namespace

void DataExchange::Control(int id, Window& control) {
    if (!control.Exists()) dialog_.SubclassDlgItem(id, control);
}

void DataExchange::Text(int id, std::string& value) {
    if (saving_) value = dialog_.GetDlgItemText(id);
    else dialog_.SetDlgItemText(id, value);
}

Dialog::Dialog(DialogTemplate dialogTemplate) : template_(std::move(dialogTemplate)) {
    OnMessage(WM_INITDIALOG, [this](WPARAM, LPARAM) -> LRESULT { return OnInitDialog(); });
    OnMessage(WM_COMMAND, [this](WPARAM wparam, LPARAM) -> LRESULT {
        int id = LOWORD(wparam);
        if (auto it = commands_.find(id); it != commands_.end()) it->second();
        else if (id == IDOK) OnOK();
        else if (id == IDCANCEL) OnCancel();
        return 0;
    });
    OnMessage(WM_KEYDOWN, [this](WPARAM key, LPARAM) -> LRESULT {
        HandleKey(key);
        return 0;
    });
    OnMessage(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
}

Dialog::~Dialog() { DestroyWindow(); }

Rect Dialog::MapDialogRect(int x, int y, int cx, int cy) const {
    int baseX = font_ ? font_->Metrics().averageWidth : 8;
    int baseY = font_ ? font_->Metrics().height : 16;
    int left = MulDiv(x, baseX, 4), top = MulDiv(y, baseY, 8);
    return {left, top, left + MulDiv(cx, baseX, 4), top + MulDiv(cy, baseY, 8)};
}

bool Dialog::CreateFromTemplate() {
    std::string face = template_.fontFace.empty() ? "Liberation Sans" : template_.fontFace;
    font_ = std::make_unique<Font>(face, PointsToPixelHeight(template_.pointSize));
    // A window whose texts cannot be drawn would show the user nothing to act on.
    UiHost* host = UiHost::Current();
    if (!font_->HasFace() && host && host->DrawsText()) {
        host->MessageBox(kNoFontText, template_.caption, MessageButtons::Ok);
        return false;
    }
    Rect size = MapDialogRect(0, 0, template_.cx, template_.cy);
    if (!Create(kDialogClass, template_.caption, template_.style & ~WS_VISIBLE, size, nullptr)) return false;
    SetFont(font_.get(), false);
    for (const DialogItem& item : template_.items) {
        Window control;
        std::uint32_t style = item.style | WS_CHILD;
        if (!control.Create(item.className, item.text, style, MapDialogRect(item.x, item.y, item.cx, item.cy),
                            this, item.id)) {
            DestroyWindow();
            return false;
        }
        control.SetFont(font_.get(), false);
        control.Detach();  // the dialog's tree keeps the live control
    }
    return true;
}

std::intptr_t Dialog::DoModal() {
    UiHost* host = UiHost::Current();
    if (!host || Exists() || !CreateFromTemplate()) return -1;
    ended_ = false;
    code_ = 0;
    host->PushModal(*this);
    SendMessage(WM_INITDIALOG);
    if (!ended_ && Exists()) ShowWindow(SW_SHOW);
    while (!ended_ && Exists()) host->WaitAndDispatch();
    host->PopModal();
    DestroyWindow();
    return code_;
}

bool Dialog::CreateModeless() {
    if (Exists() || !CreateFromTemplate()) return false;
    SendMessage(WM_INITDIALOG);
    if (Exists() && (template_.style & WS_VISIBLE)) ShowWindow(SW_SHOW);
    return Exists();
}

void Dialog::SetIcon(const Bitmap* icon, bool big) {
    SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Dialog::EndDialog(int code) {
    ended_ = true;
    code_ = code;
    ShowWindow(SW_HIDE);
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::OnCommand(int id, std::function<void()> action) { commands_[id] = std::move(action); }

bool Dialog::SubclassDlgItem(int id, Window& control) {
    Window* current = GetDlgItem(id);
    return current && control.SubclassWindow(*current);
}

void Dialog::CheckRadioButton(int first, int last, int check) {
    for (int id = first; id <= last; ++id) CheckDlgButton(id, id == check ? BST_CHECKED : BST_UNCHECKED);
}

void Dialog::CheckDlgButton(int id, int check) {
    if (Window* w = GetDlgItem(id)) w->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
}

int Dialog::IsDlgButtonChecked(int id) const {
    Window* w = GetDlgItem(id);
    return w ? static_cast<int>(w->SendMessage(BM_GETCHECK)) : 0;
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
    if (Window* w = GetDlgItem(id)) w->SetWindowText(text);
}

std::string Dialog::GetDlgItemText(int id) const {
    Window* w = GetDlgItem(id);
    return w ? w->GetWindowText() : std::string();
}

WindowNode* Dialog::DefaultButton() const {
    if (!Node()) return nullptr;
    for (const auto& child : Node()->children)
        if (child->cls->name == kButtonClass && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return child.get();
    return nullptr;
}

void Dialog::HandleKey(WPARAM key) {
    if (key == VK_ESCAPE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (key == VK_RETURN) {
        WindowNode* button = DefaultButton();
        if (!button) {
            SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else if (button->IsShown() && !(button->style & WS_DISABLED)) {
            SendMessage(WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), 0);
        }
    }
}

}  // namespace mendora::platform
