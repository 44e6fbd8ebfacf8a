#include "platform/ui/qt/QtUiHost.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/Resources.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowActivation.h"
#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"

namespace mendora::platform {

// Shows a top-level window's surface and turns the user's input into messages.
class SurfaceWidget : public QWidget {
public:
    explicit SurfaceWidget(WindowNode& root) : root_(root) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setWindowTitle(QString::fromUtf8(root.text.c_str()));
        setFixedSize(root.rect.Width(), root.rect.Height());
        // A popup without a caption has no title bar.
        if ((root.style & WS_POPUP) && (root.style & WS_CAPTION) != WS_CAPTION)
            setWindowFlag(Qt::FramelessWindowHint, true);
        ApplyIcon();
    }

    void ApplyIcon() {
        const Bitmap* icon = root_.bigIcon ? root_.bigIcon : root_.smallIcon;
        if (!icon) return;
        QImage image(icon->Width(), icon->Height(), QImage::Format_RGB32);
        for (int y = 0; y < icon->Height(); ++y)
            for (int x = 0; x < icon->Width(); ++x) {
                COLORREF c = icon->Pixel(x, y);
                image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
            }
        setWindowIcon(QIcon(QPixmap::fromImage(image)));
    }

    // Above every window, and never taking the focus when shown.
    void MakeTopmost() {
        bool shown = isVisible();
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        setWindowFlag(Qt::WindowStaysOnTopHint, true);  // hides a shown widget
        if (shown) show();
    }

    // While shown, another process may ask for the window by its title.
    void Listen(std::function<void()> activate) {
        if (listener_) return;
        listener_ = std::make_unique<WindowActivationListener>(root_.text, std::move(activate));
        if (!listener_->Listening()) return;
        notifier_ = std::make_unique<QSocketNotifier>(listener_->Fd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { listener_->Serve(); });
    }
    void StopListening() {
        notifier_.reset();
        listener_.reset();
    }

protected:
    // Only the areas Qt asks for are converted and drawn: a window whose tiles change a
    // few at a time is not copied whole for each.
    void paintEvent(QPaintEvent* event) override {
        const Bitmap* surface = root_.surface.get();
        if (!surface) return;
        QPainter painter(this);
        const QRect bounds(0, 0, surface->Width(), surface->Height());
        for (const QRect& asked : event->region()) {
            const QRect area = asked.intersected(bounds);
            if (area.isEmpty()) continue;
            QImage image(area.width(), area.height(), QImage::Format_RGB32);
            for (int y = 0; y < area.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < area.width(); ++x) {
                    COLORREF c = surface->Pixel(area.left() + x, area.top() + y);
                    line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
                }
            }
            painter.drawImage(area.topLeft(), image);
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) Mouse(WM_LBUTTONDOWN, e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) Mouse(WM_LBUTTONUP, e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        Point p = At(e);
        WindowNode* under = WindowSystem::Get().HitTest(root_, p);
        setCursor(under && under->cls->cursor == IDC_CROSS ? Qt::CrossCursor : Qt::ArrowCursor);
        Mouse(WM_MOUSEMOVE, e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) Key(VK_RETURN);
        else if (e->key() == Qt::Key_Escape) Key(VK_ESCAPE);
        else QWidget::keyPressEvent(e);
    }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::WindowStateChange) {
            bool minimised = isMinimized();
            if (minimised != root_.iconic) {
                root_.iconic = minimised;
                Window::FromNode(&root_)->Invalidate(true);
            }
        }
        QWidget::changeEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        Window::FromNode(&root_)->PostMessage(WM_CLOSE);
    }

private:
    static Point At(QMouseEvent* e) { return {int(e->position().x()), int(e->position().y())}; }
    void Mouse(UINT msg, QMouseEvent* e) { WindowSystem::Get().Mouse(root_, msg, At(e)); }
    void Key(WPARAM key) { Window::FromNode(&root_)->PostMessage(WM_KEYDOWN, key); }

    WindowNode& root_;
    std::unique_ptr<WindowActivationListener> listener_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

namespace {

int argc = 1;
char name[] = "mendora";
char* argv[] = {name, nullptr};

}  // namespace

QtUiHost* QtUiHost::live_ = nullptr;

QtUiHost::QtUiHost() {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
    dispatcher_ = QAbstractEventDispatcher::instance();
    live_ = this;
    LoadQtTranslations();
}

// Qt's own texts (the message boxes' OK and Cancel) in the language the program's texts
// are in, from Qt's translation files; English without them.
void QtUiHost::LoadQtTranslations() {
    const std::uint16_t language = UserLanguage();
    const char* file = language == kLangTraditionalChinese  ? "qtbase_zh_TW"
                       : language == kLangSimplifiedChinese ? "qtbase_zh_CN"
                                                            : nullptr;
    if (file == nullptr) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromLatin1(file), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
}

// Exit handlers run in reverse order of registration, before the static objects made
// earlier are destroyed. Registered when the first modal loop waits, the handler runs
// while the window tree, the window classes and the dialog's own objects still exist.
void QtUiHost::WatchForExit() {
    static const bool watching = std::atexit(&QtUiHost::ExitWhileAlive) == 0;
    (void)watching;
}

QtUiHost::~QtUiHost() {
    if (live_ == this) live_ = nullptr;
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    widgets_.clear();
}

// Qt ends the process with exit() when the connection to the X server breaks. The
// dialogs and the threads they started are still alive then, and the process's static
// objects are about to be destroyed under them. Instead the dialogs are closed as the
// user would close them (a run under way is stopped and its workers joined), one line
// says what happened, and the process ends at once, reporting the failure.
void QtUiHost::ExitWhileAlive() {
    QtUiHost* host = live_;
    if (host == nullptr) return;
    live_ = nullptr;
    host->lost_ = true;
    host->CloseDialogsOnHostLoss();
    std::fputs("Mendora: the display was lost; the repair was stopped\n", stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

void QtUiHost::WaitAndDispatch() {
    WatchForExit();
    // Without a display Qt is never entered again: it would end the process once more.
    if (lost_) {
        DispatchPending();
        return;
    }
    if (DispatchPending()) {
        QCoreApplication::processEvents();
        return;
    }
    PressDefaultButtonOnce();
    long long wait = MillisecondsToNextTimer();
    if (wait < 0 || wait > 100) wait = 100;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(static_cast<int>(wait));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtUiHost::PressDefaultButtonOnce() {
    Dialog* dialog = ActiveModal();
    if (!assumeYes_ || pressed_ || !dialog || !dialog->IsWindowVisible()) return;
    pressed_ = true;
    dialog->SendMessage(WM_KEYDOWN, VK_RETURN);
}

void QtUiHost::WindowShown(WindowNode& root, bool shown) {
    auto& widget = widgets_[&root];
    if (!widget) widget = std::make_unique<SurfaceWidget>(root);
    if (shown) {
        widget->ApplyIcon();
        if (root.topmost || !root.activateOnShow) {
            widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
            widget->show();
            return;
        }
        widget->setAttribute(Qt::WA_ShowWithoutActivating, false);
        widget->show();
        widget->raise();
        widget->activateWindow();
        widget->Listen([this, &root] { Raise(root); });
    } else {
        widget->StopListening();
        widget->hide();
    }
}

void QtUiHost::SurfaceChanged(WindowNode& root, const Rect& area) {
    auto it = widgets_.find(&root);
    if (it != widgets_.end()) it->second->update(area.left, area.top, area.Width(), area.Height());
}

void QtUiHost::WindowDestroyed(WindowNode& root) { widgets_.erase(&root); }

void QtUiHost::Raise(WindowNode& root) {
    auto it = widgets_.find(&root);
    if (it == widgets_.end()) return;
    it->second->showNormal();
    it->second->raise();
    it->second->activateWindow();
}

void QtUiHost::TopmostChanged(WindowNode& root) {
    auto& widget = widgets_[&root];
    if (!widget) widget = std::make_unique<SurfaceWidget>(root);
    widget->MakeTopmost();
}

void QtUiHost::Present() {
    if (!lost_) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUiHost::Wake() {
    if (dispatcher_) dispatcher_->wakeUp();
}

int QtUiHost::MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    if (lost_) return kIdCancel;  // nobody can answer any more
    if (assumeYes_) return TerminalMessageHost(stdin, stderr, false, true).MessageBox(text, caption, buttons);
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption.c_str()), QString::fromUtf8(text.c_str()),
                    buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
    int answer = 0;
    QObject::connect(&box, &QMessageBox::finished, [&](int result) {
        answer = result == QMessageBox::Ok ? kIdOk : kIdCancel;
    });
    box.open();
    // The windows keep working (timers, repaints) while the box waits for its answer.
    while (answer == 0) WaitAndDispatch();
    return answer;
}

bool QtUiHost::OpenFile(const std::string& path) {
    return !lost_ && QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(path.c_str())));
}

void QtUiHost::FatalExit(const std::string& text) {
    QMessageBox::critical(nullptr, "Fatal error", QString::fromUtf8(text.c_str()));
    std::_Exit(1);
}

bool QtUiHost::Grab(Window& topLevel, const std::string& path) {
    WindowNode* node = topLevel.Node();
    auto it = node ? widgets_.find(node) : widgets_.end();
    if (it == widgets_.end()) return false;
    QCoreApplication::processEvents();
    return it->second->grab().save(QString::fromUtf8(path.c_str()), "PNG");
}

}  // namespace mendora::platform
