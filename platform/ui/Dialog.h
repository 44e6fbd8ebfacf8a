#pragma once
#include <functional>
#include <map>
#include <memory>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Window.h"

namespace mendora::platform {

class Dialog;

// One direction of a data exchange between a dialog's values and its controls.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool Saving() const { return saving_; }
    // Binds the control object to the dialog's control (once).
    void Control(int id, Window& control);
    void Text(int id, std::string& value);

private:
    Dialog& dialog_;
    bool saving_;
};

// What a dialog says, in a message box, instead of showing itself when the host draws
// texts and no font face can be had.
inline constexpr const char* kNoFontText =
    "No font is installed to show this window's texts in. Install a TrueType font (such as "
    "Liberation Sans or Arial), then start the program again.";

// A modal dialog built from a template. Dialog units map to pixels through the base
// units of the template's font (average character width and height). Enter presses the
// default push button (OK without one), Escape and closing the window cancel.
class Dialog : public Window {
public:
    explicit Dialog(DialogTemplate dialogTemplate);
    ~Dialog() override;

    // Creates the window and its controls, initialises, shows and runs it until
    // EndDialog; answers the end code, or -1 when the window could not be created.
    std::intptr_t DoModal();
    void EndDialog(int code);
    // Creates the window and its controls as a modeless top-level window (parent null:
    // the desktop) and initialises it; shown only when the template says WS_VISIBLE.
    bool CreateModeless();
    // The window's big or small icon (ICON_BIG / ICON_SMALL); the bitmap must outlive it.
    void SetIcon(const Bitmap* icon, bool big);
    bool Ended() const { return ended_; }

    bool UpdateData(bool saveAndValidate = true);
    bool SubclassDlgItem(int id, Window& control);
    void CheckRadioButton(int first, int last, int check);
    void CheckDlgButton(int id, int check);
    int IsDlgButtonChecked(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;

    // Dialog units to pixels.
    Rect MapDialogRect(int x, int y, int cx, int cy) const;
    const DialogTemplate& Template() const { return template_; }
    const Font* DialogFont() const { return font_.get(); }

protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();
    // Runs the action when the control reports a click (WM_COMMAND with its id).
    void OnCommand(int id, std::function<void()> action);

private:
    bool CreateFromTemplate();
    void HandleKey(WPARAM key);
    WindowNode* DefaultButton() const;

    DialogTemplate template_;
    std::unique_ptr<Font> font_;
    std::map<int, std::function<void()>> commands_;
    bool ended_ = false;
    int code_ = 0;
};

}  // namespace mendora::platform
