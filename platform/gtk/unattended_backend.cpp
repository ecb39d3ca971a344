// The unattended installer backend: no display. The dialog exists only as its
// control texts; the folder given on the command line is the edit box's text,
// and the default button is pressed once the program waits for messages.
#include <time.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "backend.h"
#include "gtk_backend.h"
#include "pf/window.h"

namespace pf::gtk {
namespace {

class UnattendedBackend final : public core::Backend {
public:
    explicit UnattendedBackend(const char* folder) : folder_(folder) {}

    DWORD Ticks(core::TickReason /*reason*/) override {
        return static_cast<DWORD>(MonotonicMilliseconds());
    }

    int MessageBox(const char* text, const char* /*caption*/, UINT /*type*/) override {
        std::printf("%s\n", text);
        std::fflush(stdout);
        return IDOK;
    }

    void PumpEvents() override { PressPending(); }

    void WaitEvents() override {
        if (!PressPending()) core::Backend::WaitEvents();
    }

    bool CreateDialog(HWND window, const DialogTemplate* dialog) override {
        window_ = window;
        texts_.clear();
        pending_ = -1;
        bool folderPlaced = false;
        for (int i = 0; i < dialog->controlCount; ++i) {
            const DialogControl& control = dialog->controls[i];
            if (control.kind == ControlKind::Edit && !folderPlaced) {
                texts_[control.id] = folder_;
                folderPlaced = true;
            } else {
                texts_[control.id] = control.text != nullptr ? control.text : "";
            }
            if (control.kind == ControlKind::DefPushButton && pending_ < 0) pending_ = control.id;
        }
        return true;
    }

    unsigned GetControlText(HWND /*window*/, int id, char* buffer, int size) override {
        if (size <= 0) return 0;
        const auto found = texts_.find(id);
        const std::string text = found == texts_.end() ? std::string() : found->second;
        const size_t count = text.size() < static_cast<size_t>(size - 1)
                                 ? text.size()
                                 : static_cast<size_t>(size - 1);
        std::memcpy(buffer, text.data(), count);
        buffer[count] = 0;
        return static_cast<unsigned>(count);
    }

    bool SetControlText(HWND /*window*/, int id, const char* text) override {
        texts_[id] = text != nullptr ? text : "";
        return true;
    }

private:
    // Presses the default button once; true when it did.
    bool PressPending() {
        if (pending_ < 0 || window_ == nullptr) return false;
        const int id = pending_;
        pending_ = -1;
        SendMessageA(window_, WM_COMMAND, static_cast<WPARAM>(id), 0);
        return true;
    }

    std::string folder_;
    HWND window_ = nullptr;
    std::map<int, std::string> texts_;
    int pending_ = -1;
};

}  // namespace

unsigned long MonotonicMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long>(now.tv_sec) * 1000ul +
           static_cast<unsigned long>(now.tv_nsec / 1000000);
}

void StartUnattendedBackend(const char* folder) {
    static UnattendedBackend backend(folder);
    core::InstallBackend(&backend);
}

}  // namespace pf::gtk
