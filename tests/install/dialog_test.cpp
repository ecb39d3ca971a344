// The installer's entry and window procedure on a scripted desktop: the
// dialog is built from its template, the buttons are pressed in order and the
// message boxes are recorded.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "install/installer.h"
#include "install_support.h"
#include "pf/files.h"
#include "pf/registry.h"
#include "../../platform/core/backend.h"

namespace {

using namespace vxinstall;

struct Box {
    std::string text;
    std::string caption;
};

class ScriptedDesktop final : public pf::core::Backend {
public:
    pf::DWORD Ticks(pf::core::TickReason) override { return ++ticks_; }
    int MessageBox(const char* text, const char* caption, pf::UINT) override {
        boxes.push_back({text, caption});
        return pf::IDOK;
    }
    void WaitEvents() override {
        if (window_ == nullptr || presses.empty()) {
            stuck = true;
            pf::PostQuitMessage(99);  // the script ran out: end the loop
            return;
        }
        const int id = presses.front();
        presses.pop_front();
        pf::SendMessageA(window_, pf::WM_COMMAND, static_cast<pf::WPARAM>(id), 0);
    }
    bool CreateDialog(pf::HWND window, const pf::DialogTemplate* dialog) override {
        window_ = window;
        created = dialog;
        for (int i = 0; i < dialog->controlCount; ++i)
            texts[dialog->controls[i].id] = dialog->controls[i].text;
        if (!typed.empty()) texts[installer::IDC_PATH] = typed;
        return true;
    }
    void WindowShown(pf::HWND, bool visible) override { shown = visible; }
    unsigned GetControlText(pf::HWND, int id, char* buffer, int size) override {
        const std::string text = texts[id].substr(0, static_cast<size_t>(size - 1));
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<unsigned>(text.size());
    }
    bool SetControlText(pf::HWND, int id, const char* text) override {
        texts[id] = text;
        return true;
    }
    bool BrowseForFolder(pf::HWND, const char* title, char* path) override {
        browseTitle = title;
        if (browseAnswer.empty() || browseAnswer.size() >= pf::MAX_PATH) return false;
        std::strcpy(path, browseAnswer.c_str());
        return true;
    }

    std::deque<int> presses;
    std::map<int, std::string> texts;
    std::vector<Box> boxes;
    std::string typed;  // typed into the edit box once the dialog exists
    std::string browseAnswer;
    std::string browseTitle;
    const pf::DialogTemplate* created = nullptr;
    bool shown = false;
    bool stuck = false;

private:
    pf::HWND window_ = nullptr;
    pf::DWORD ticks_ = 0;
};

class InstallerDialog : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(temp_.path() / "ship");
        fs::current_path(temp_.path() / "ship");
        WriteBytes("data.1", FileEntry("velnorix", "game") + EndEntry());
        previous_ = &pf::core::CurrentBackend();
        pf::core::InstallBackend(&desktop_);
    }
    void TearDown() override {
        pf::core::InstallBackend(previous_);
        pf::core::ResetCore();
    }
    int Run() {
        char commandLine[] = "";
        const int result = installer::WinMain(nullptr, nullptr, commandLine, pf::SW_SHOWNORMAL);
        fs::current_path(temp_.path() / "ship");
        return result;
    }
    fs::path folder() const { return temp_.path() / "game"; }

    TempFolder temp_;
    ScopedRegistry registry_;
    ScopedWorkingDirectory cwd_;
    ScriptedDesktop desktop_;
    pf::core::Backend* previous_ = nullptr;
};

TEST_F(InstallerDialog, TheTemplateIsTheInstallDialog) {
    const pf::DialogTemplate& d = installer::InstallDialog;
    EXPECT_STREQ(d.className, "Install");
    EXPECT_STREQ(d.title, "Install Velnorix For Win32");
    EXPECT_EQ(d.fontPoints, 8);
    EXPECT_EQ(d.style & pf::WS_VISIBLE, 0u);
    EXPECT_EQ((std::vector<int>{d.x, d.y, d.cx, d.cy}), (std::vector<int>{200, 150, 186, 95}));
    ASSERT_EQ(d.controlCount, 5);
    const pf::DialogControl& ok = d.controls[0];
    EXPECT_EQ(ok.id, 1000);
    EXPECT_EQ(ok.kind, pf::ControlKind::DefPushButton);
    EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.cx, ok.cy}), (std::vector<int>{34, 62, 50, 14}));
    const pf::DialogControl& edit = d.controls[3];
    EXPECT_EQ(edit.id, 1002);
    EXPECT_STREQ(edit.text, "");
    EXPECT_EQ((std::vector<int>{edit.x, edit.y, edit.cx, edit.cy}),
              (std::vector<int>{17, 30, 129, 13}));
    EXPECT_STREQ(d.controls[4].text, "...");
    EXPECT_EQ(d.controls[2].id, -1);
}

TEST_F(InstallerDialog, OkInstallsIntoTheTypedFolderAndSaysSo) {
    desktop_.typed = folder().string();
    desktop_.presses = {installer::IDC_OK};
    EXPECT_EQ(Run(), 0);
    ASSERT_NE(desktop_.created, nullptr);
    EXPECT_TRUE(desktop_.shown);
    ASSERT_EQ(desktop_.boxes.size(), 1u);
    EXPECT_EQ(desktop_.boxes[0].caption, "Install Velnorix For Win32");
    EXPECT_EQ(desktop_.boxes[0].text, "Velnorix For Win32 successfully installed");
    EXPECT_EQ(ReadBytes(folder() / "velnorix"), "game");
    EXPECT_FALSE(desktop_.stuck);
}

TEST_F(InstallerDialog, AFailedInstallationSaysSoAndEnds) {
    desktop_.presses = {installer::IDC_OK};  // the edit box is empty
    EXPECT_EQ(Run(), 1);  // the program's exit code tells the failure too
    ASSERT_EQ(desktop_.boxes.size(), 1u);
    EXPECT_EQ(desktop_.boxes[0].text, "Error: Installation terminated");
    EXPECT_FALSE(desktop_.stuck);
}

TEST_F(InstallerDialog, BrowsingFillsTheEditBoxAndOkInstalls) {
    desktop_.browseAnswer = folder().string();
    desktop_.presses = {installer::IDC_BROWSE, installer::IDC_OK};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(desktop_.browseTitle, "Choose Directory");
    EXPECT_EQ(desktop_.texts[installer::IDC_PATH], folder().string());
    ASSERT_EQ(desktop_.boxes.size(), 1u);
    EXPECT_EQ(desktop_.boxes[0].text, "Velnorix For Win32 successfully installed");
    EXPECT_TRUE(fs::exists(folder() / "velnorix"));
}

TEST_F(InstallerDialog, ACancelledBrowserLeavesTheEditBox) {
    desktop_.presses = {installer::IDC_BROWSE, installer::IDC_CANCEL};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(desktop_.texts[installer::IDC_PATH], "");
    EXPECT_TRUE(desktop_.boxes.empty());
    EXPECT_FALSE(fs::exists(folder()));
}

TEST_F(InstallerDialog, AFolderBrowserThatCannotStartDoesNothing) {
    pf::core::AddFault("SHGetSpecialFolderLocation", 1, pf::E_FAIL);
    desktop_.browseAnswer = folder().string();
    desktop_.presses = {installer::IDC_BROWSE, installer::IDC_CANCEL};
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(desktop_.browseTitle.empty());
    EXPECT_EQ(desktop_.texts[installer::IDC_PATH], "");
}

TEST_F(InstallerDialog, CancelEndsWithoutInstalling) {
    desktop_.presses = {installer::IDC_CANCEL};
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(desktop_.boxes.empty());
    EXPECT_FALSE(desktop_.stuck);
}

TEST_F(InstallerDialog, AFolderLongerThanTheEditLimitIsNotCutButRefused) {
    // 258 characters: a folder the browser can give, longer than the 254 the
    // edit box's text may hold.
    const std::string base = temp_.path().string() + "/";
    desktop_.browseAnswer = base + std::string(258 - base.size(), 'x');
    desktop_.presses = {installer::IDC_BROWSE, installer::IDC_OK};
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(desktop_.boxes.size(), 1u);
    EXPECT_EQ(desktop_.boxes[0].text, "Error: Installation terminated");
    EXPECT_EQ(Listing(temp_.path()), (std::vector<std::string>{"ship", "ship/data.1"}));
}

}  // namespace
