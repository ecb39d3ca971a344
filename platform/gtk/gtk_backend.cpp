// The installer's dialog, folder chooser and message boxes on GTK 3.
//
// A dialog is a GtkWindow holding a GtkFixed; each control is placed at its
// template position converted from dialog units to pixels as Windows does for
// an 8-point "MS Sans Serif" dialog font, whose base units are 6 x 13 pixels
// (at 96 dots per inch): one horizontal dialog unit is a quarter of 6 pixels,
// one vertical unit an eighth of 13, rounded to the nearest pixel. The
// installer's 186 x 95 dialog is thus 279 x 154 pixels, its OK button 75 x 23
// at (51, 101). A small style sheet shrinks the theme's paddings and minimum
// sizes so that the controls keep those sizes.
//
// Button clicks and the window's close button are queued and delivered to the
// window procedure from the core's event pump and wait, so they arrive as
// GetMessageA would deliver them, never from inside a GTK signal handler.
// The platform's headers come first: GLib defines TRUE and FALSE as macros.
#include "backend.h"
#include "gtk_backend.h"
#include "pf/files.h"
#include "pf/window.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>

#include "velnorix_icon.h"

namespace pf::gtk {
namespace {

constexpr int kBaseX = 6;   // pixels per 4 horizontal dialog units
constexpr int kBaseY = 13;  // pixels per 8 vertical dialog units

int PixelsX(int units) { return (units * kBaseX + 2) / 4; }
int PixelsY(int units) { return (units * kBaseY + 4) / 8; }

const char kStyle[] =
    "window.velnorix-dialog, window.velnorix-dialog * { font-family: Sans; font-size: 8pt; }\n"
    "window.velnorix-dialog button { min-height: 0; min-width: 0; padding: 0 2px; }\n"
    "window.velnorix-dialog entry { min-height: 0; padding: 0 3px; }\n";

struct Dialog {
    GtkWidget* window = nullptr;
    std::map<int, GtkWidget*> controls;
};

struct Event {
    HWND window;
    UINT message;
    WPARAM wParam;
};

class GtkBackend final : public core::Backend {
public:
    DWORD Ticks(core::TickReason /*reason*/) override {
        return static_cast<DWORD>(MonotonicMilliseconds());
    }

    void PumpEvents() override {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
        Deliver();
    }

    void WaitEvents() override {
        if (Deliver()) return;
        gtk_main_iteration_do(TRUE);
        Deliver();
    }

    int MessageBox(const char* text, const char* caption, UINT /*type*/) override {
        lastMessage_ = text;
        GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                                GTK_BUTTONS_OK, "%s", text);
        gtk_window_set_title(GTK_WINDOW(box), caption);
        gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
        gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
        Flush();
        return IDOK;
    }

    bool CreateDialog(HWND window, const DialogTemplate* dialog) override {
        Dialog& built = dialogs_[window];
        if (built.window != nullptr) gtk_widget_destroy(built.window);
        built.controls.clear();

        GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        built.window = top;
        gtk_style_context_add_class(gtk_widget_get_style_context(top), "velnorix-dialog");
        gtk_window_set_title(GTK_WINDOW(top), dialog->title);
        gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
        gtk_window_move(GTK_WINDOW(top), PixelsX(dialog->x), PixelsY(dialog->y));
        g_signal_connect(top, "delete-event", G_CALLBACK(OnDelete), window);

        GtkWidget* fixed = gtk_fixed_new();
        gtk_widget_set_size_request(fixed, PixelsX(dialog->cx), PixelsY(dialog->cy));
        gtk_container_add(GTK_CONTAINER(top), fixed);

        GtkWidget* defaultButton = nullptr;
        for (int i = 0; i < dialog->controlCount; ++i) {
            const DialogControl& control = dialog->controls[i];
            const char* text = control.text != nullptr ? control.text : "";
            GtkWidget* widget = nullptr;
            switch (control.kind) {
                case ControlKind::PushButton:
                case ControlKind::DefPushButton:
                    widget = gtk_button_new_with_label(text);
                    g_object_set_data(G_OBJECT(widget), "velnorix-id",
                                      GINT_TO_POINTER(control.id));
                    g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), window);
                    if (control.kind == ControlKind::DefPushButton) defaultButton = widget;
                    break;
                case ControlKind::Static:
                    widget = gtk_label_new(text);
                    gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
                    gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
                    break;
                case ControlKind::Edit:
                    widget = gtk_entry_new();
                    gtk_entry_set_text(GTK_ENTRY(widget), text);
                    gtk_entry_set_activates_default(GTK_ENTRY(widget), TRUE);
                    gtk_entry_set_width_chars(GTK_ENTRY(widget), 1);
                    gtk_entry_set_has_frame(GTK_ENTRY(widget), TRUE);
                    break;
            }
            gtk_widget_set_size_request(widget, PixelsX(control.cx), PixelsY(control.cy));
            gtk_fixed_put(GTK_FIXED(fixed), widget, PixelsX(control.x), PixelsY(control.y));
            if (control.id != -1) built.controls[control.id] = widget;
        }
        if (defaultButton != nullptr) {
            gtk_widget_set_can_default(defaultButton, TRUE);
            gtk_window_set_default(GTK_WINDOW(top), defaultButton);
        }
        gtk_widget_show_all(fixed);
        if (dialog->style & WS_VISIBLE) gtk_widget_show(top);
        return true;
    }

    void WindowShown(HWND window, bool visible) override {
        const auto found = dialogs_.find(window);
        if (found == dialogs_.end()) return;
        if (visible) {
            gtk_widget_show_all(found->second.window);
            gtk_window_present(GTK_WINDOW(found->second.window));
        } else {
            gtk_widget_hide(found->second.window);
        }
        Flush();
    }

    unsigned GetControlText(HWND window, int id, char* buffer, int size) override {
        if (size <= 0) return 0;
        buffer[0] = 0;
        GtkWidget* widget = Control(window, id);
        if (widget == nullptr) return 0;
        const char* text = "";
        if (GTK_IS_ENTRY(widget))
            text = gtk_entry_get_text(GTK_ENTRY(widget));
        else if (GTK_IS_BUTTON(widget))
            text = gtk_button_get_label(GTK_BUTTON(widget));
        else if (GTK_IS_LABEL(widget))
            text = gtk_label_get_text(GTK_LABEL(widget));
        if (text == nullptr) text = "";
        size_t count = std::strlen(text);
        if (count > static_cast<size_t>(size - 1)) count = static_cast<size_t>(size - 1);
        std::memcpy(buffer, text, count);
        buffer[count] = 0;
        return static_cast<unsigned>(count);
    }

    bool SetControlText(HWND window, int id, const char* text) override {
        GtkWidget* widget = Control(window, id);
        if (widget == nullptr || text == nullptr || !g_utf8_validate(text, -1, nullptr))
            return false;
        if (GTK_IS_ENTRY(widget))
            gtk_entry_set_text(GTK_ENTRY(widget), text);
        else if (GTK_IS_BUTTON(widget))
            gtk_button_set_label(GTK_BUTTON(widget), text);
        else if (GTK_IS_LABEL(widget))
            gtk_label_set_text(GTK_LABEL(widget), text);
        return true;
    }

    bool BrowseForFolder(HWND owner, const char* title, char* path) override {
        GtkWindow* parent = nullptr;
        const auto found = dialogs_.find(owner);
        if (found != dialogs_.end()) parent = GTK_WINDOW(found->second.window);
        GtkWidget* chooser = gtk_file_chooser_dialog_new(
            title, parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel", GTK_RESPONSE_CANCEL,
            "_Select", GTK_RESPONSE_ACCEPT, nullptr);
        gtk_window_set_default_size(GTK_WINDOW(chooser), 640, 420);
        gtk_window_set_position(GTK_WINDOW(chooser), GTK_WIN_POS_CENTER);
        gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
        // Rooted at the whole file system; it opens on the home folder.
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), g_get_home_dir());
        gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(chooser), TRUE);
        bool chosen = false;
        // The chooser restores a saved size when it is mapped; keep it modest.
        g_signal_connect(chooser, "map", G_CALLBACK(OnChooserMapped), nullptr);
        if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
            // Only a folder of the file system has a path.
            gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
            if (name != nullptr && std::strlen(name) < MAX_PATH) {
                std::strcpy(path, name);
                chosen = true;
            }
            g_free(name);
        }
        gtk_widget_destroy(chooser);
        Flush();
        return chosen;
    }

private:
    static void OnChooserMapped(GtkWidget* chooser, gpointer /*data*/) {
        constexpr int kWidth = 640;
        constexpr int kHeight = 420;
        gtk_window_resize(GTK_WINDOW(chooser), kWidth, kHeight);
        GdkWindow* window = gtk_widget_get_window(chooser);
        GdkMonitor* monitor = window != nullptr ? gdk_display_get_monitor_at_window(
                                                      gdk_window_get_display(window), window)
                                                : nullptr;
        if (monitor == nullptr) return;
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        gtk_window_move(GTK_WINDOW(chooser), area.x + (area.width - kWidth) / 2,
                        area.y + (area.height - kHeight) / 2);
    }

    static void OnClicked(GtkWidget* widget, gpointer window) {
        const int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "velnorix-id"));
        Instance().events_.push_back({static_cast<HWND>(window), WM_COMMAND,
                                      static_cast<WPARAM>(id & 0xFFFF)});
    }

    // The window's close button: WM_CLOSE, then WM_DESTROY, standing in for
    // the destruction that the default window procedure would do on
    // WM_CLOSE. GTK keeps the window meanwhile.
    static gboolean OnDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer window) {
        Instance().events_.push_back({static_cast<HWND>(window), WM_CLOSE, 0});
        Instance().events_.push_back({static_cast<HWND>(window), WM_DESTROY, 0});
        return TRUE;
    }

    // Delivers the queued events; true when there was one.
    bool Deliver() {
        if (delivering_ || events_.empty()) return false;
        delivering_ = true;
        while (!events_.empty()) {
            const Event event = events_.front();
            events_.pop_front();
            SendMessageA(event.window, event.message, event.wParam, 0);
        }
        delivering_ = false;
        return true;
    }

    void Flush() {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    }

    GtkWidget* Control(HWND window, int id) {
        const auto found = dialogs_.find(window);
        if (found == dialogs_.end()) return nullptr;
        const auto control = found->second.controls.find(id);
        return control == found->second.controls.end() ? nullptr : control->second;
    }

public:
    static GtkBackend& Instance() {
        static GtkBackend backend;
        return backend;
    }
    const std::string& LastMessage() const { return lastMessage_; }

private:
    std::map<HWND, Dialog> dialogs_;
    std::deque<Event> events_;
    bool delivering_ = false;
    std::string lastMessage_;
};

}  // namespace

const std::string& DialogMessage() { return GtkBackend::Instance().LastMessage(); }

std::string IconPng() {
    GdkPixbuf* picture = gdk_pixbuf_new_from_data(
        pf::sdl::kIconPixels, GDK_COLORSPACE_RGB, TRUE, 8, pf::sdl::kIconSize, pf::sdl::kIconSize,
        pf::sdl::kIconSize * 4, nullptr, nullptr);
    if (picture == nullptr) return std::string();
    gchar* bytes = nullptr;
    gsize size = 0;
    std::string png;
    if (gdk_pixbuf_save_to_buffer(picture, &bytes, &size, "png", nullptr, nullptr))
        png.assign(bytes, size);
    g_free(bytes);
    g_object_unref(picture);
    return png;
}

bool StartDialogBackend(int* argc, char*** argv) {
    if (!gtk_init_check(argc, argv)) {
        std::fprintf(stderr, "velnorix-install: cannot open the display (try --unattended DIR)\n");
        return false;
    }
    GtkCssProvider* style = gtk_css_provider_new();
    gtk_css_provider_load_from_data(style, kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(style),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(style);
    core::InstallBackend(&GtkBackend::Instance());
    return true;
}

}  // namespace pf::gtk
