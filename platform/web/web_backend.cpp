// The browser under the core: the page's canvas, its key, focus and gamepad
// events, a page dialog for message boxes, an AudioWorklet fed by the core's
// mixer, and the files the game writes kept in the browser's IndexedDB.
//
// The game waits in busy loops on the tick count and on keyboard polls. The
// core's pacing (core/pacing.h) sleeps inside them as on the desktop; here
// the sleeps are Asyncify's, giving the page back to the browser (which
// delivers its events meanwhile). The page library finishes the last
// millisecond of a sleep without a timer, so a wait never ends late; a flip
// completes at the animation frame that follows the last presented picture.
//
// A flipped picture equal to the one on screen is not drawn again, and of a
// changed one only the band of changed rows is converted and put on the
// canvas.
//
// The game reads the keyboard as snapshots: a key let go before any poll has
// seen it down stays down until one poll has.
#include "web_backend.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "backend.h"
#include "key_taps.h"
#include "pacing.h"
#include "pf/window.h"
#include "picture.h"

// The page library (library_velnorix.js).
extern "C" {
double vx_web_now();
void vx_web_sleep_until(double ms);
void vx_web_spin_until(double ms);
void vx_web_nap(double ms);
int vx_web_refresh_pending();
void vx_web_wait_refresh();
int vx_web_take_events(int* events, int max);
void vx_web_present(const uint32_t* rgba, int top, int bottom);
void vx_web_message_box(const char* caption, const char* text);
void vx_web_audio_open(int rate);
int vx_web_audio_wanted();
void vx_web_audio_push(const int16_t* samples, int frames);
void vx_web_audio_close();
void vx_web_persist_load(const char* keptFolder, const char* gameFolder);
void vx_web_persist_store(const char* path);
void vx_web_offer_screenshot(const char* path);
void vx_web_game_ended(int result);
}

namespace pf::web {
namespace {

constexpr int kWidth = core::kPictureWidth;
constexpr int kHeight = core::kPictureHeight;
// The longest nap of a poll or peek that follows another one directly: the
// page ends it early when an event arrives (and makes it a few ms while a
// gamepad, which sends no events, is in use).
constexpr double kNapMs = 100;
// Audio handed over at most at once (frames of two 16-bit samples).
constexpr int kAudioBlock = 4096;
// Events taken from the page at once: kind, code, value.
constexpr int kEventInts = 3;
constexpr int kMaxEvents = 64;

// Keys of the desktop's task switch, and how long a focus change waits for
// the game to take its first half.
constexpr uint8_t kLeftAlt = 56;
constexpr uint8_t kTab = 15;
constexpr double kFocusChangeMs = 100;

// The page's event kinds (library_velnorix.js).
enum EventKind { kKey = 0, kPadKey = 1, kFocus = 2, kMouseButton = 3, kMouseMotion = 4 };

// What the game writes that the page treats specially: its hall of fame and
// other files of the Data folder are kept in the browser, the screenshot is
// offered as a download.
constexpr char kKeptPrefix[] = "Data/";
constexpr char kScreenshot[] = "Screen001.raw";

// Whole milliseconds of the page's clock, as the tick count.
DWORD NowMs() { return static_cast<DWORD>(static_cast<uint64_t>(vx_web_now())); }

class WebBackend final : public core::Backend, core::PacingHost {
public:
    DWORD Ticks(core::TickReason reason) override {
        TakeWrittenFiles();
        if (reason == core::TickReason::MessagePeek) peeked_ = true;
        const DWORD now = pacing_.Ticks(reason);
        // A poll reads the state right after this call: the keys pressed so
        // far are seen.
        if (reason == core::TickReason::KeyboardPoll) taps_.PollComing();
        return now;
    }

    void PumpEvents() override {
        // Whether this pump changes what the game sees: a nap right after it
        // is not taken.
        stirred_ = taps_.ReleaseSeen();
        FinishFocusChange();
        FeedAudio();
        int events[kMaxEvents * kEventInts];
        for (;;) {
            const int count = vx_web_take_events(events, kMaxEvents);
            for (int i = 0; i < count; ++i) Handle(&events[i * kEventInts]);
            if (count < kMaxEvents) break;
        }
    }

    void WaitEvents() override {
        NapUntilEvent();
        PumpEvents();
    }

    bool SetDisplayMode(int width, int height, int bpp) override {
        return width == kWidth && height == kHeight && bpp == 16;
    }

    void Present(const uint16_t* pixels, int pitchPixels) override {
        pacing_.Presented();
        if (pixels == nullptr || pitchPixels < kWidth) {
            vx_web_present(rgba_, 0, 0);
            return;
        }
        // A picture the canvas already shows is not drawn again: still
        // screens (the menu, a paused game) then cost next to nothing. Of a
        // changed picture only the band of changed rows is converted.
        int top = kHeight;
        int bottom = 0;
        for (int y = 0; y < kHeight; ++y) {
            const uint16_t* row = pixels + static_cast<size_t>(y) * pitchPixels;
            uint16_t* kept = shown_ + static_cast<size_t>(y) * kWidth;
            if (!stale_ && SameRow(row, kept)) continue;
            std::memcpy(kept, row, kWidth * sizeof(uint16_t));
            Expand(kept, rgba_ + static_cast<size_t>(y) * kWidth);
            if (y < top) top = y;
            bottom = y + 1;
        }
        stale_ = false;
        // Every flip is shown at the display's refresh, drawn or not: the
        // next flip waits for it, so flip-paced loops run at its rate.
        vx_web_present(rgba_, top, bottom);
    }

    bool FlipDone() override {
        // The display takes the picture at its next refresh: wait for it.
        pacing_.WaitForRefresh();
        return true;
    }

    int MessageBox(const char* text, const char* caption, UINT /*type*/) override {
        // The page's dialog takes the keyboard while it shows.
        taps_.ReleaseAll();
        vx_web_message_box(caption != nullptr ? caption : "", text != nullptr ? text : "");
        return IDOK;
    }

    bool OpenAudio(int rate) override {
        vx_web_audio_open(rate);
        audioOpen_ = true;
        return true;
    }
    void CloseAudio() override {
        audioOpen_ = false;
        vx_web_audio_close();
    }

    void FileWritten(const char* path) override {
        if (path == nullptr) return;
        // Taken at the next waiting call, once the game has closed the file.
        std::string name = path;
        while (name.rfind("./", 0) == 0) name.erase(0, 2);
        for (size_t at = name.find("//"); at != std::string::npos; at = name.find("//"))
            name.erase(at, 1);
        if (name.rfind(kKeptPrefix, 0) == 0 || name == kScreenshot) {
            for (const std::string& known : written_)
                if (known == name) return;
            written_.push_back(name);
        }
    }

    // The files written since the last waiting call (the game's last save
    // comes after its last wait).
    void TakeWrittenFiles() {
        if (written_.empty()) return;
        for (const std::string& name : written_) {
            if (name == kScreenshot)
                vx_web_offer_screenshot(name.c_str());
            else
                vx_web_persist_store(name.c_str());
        }
        written_.clear();
    }

private:
    // Whether two rows hold the same pixels, compared eight bytes at a time
    // (the library's memcmp goes byte by byte in WebAssembly; this runs for
    // every row of every flip).
    static bool SameRow(const uint16_t* a, const uint16_t* b) {
        constexpr int kWords = kWidth * sizeof(uint16_t) / sizeof(uint64_t);
        static_assert(kWords * sizeof(uint64_t) == kWidth * sizeof(uint16_t), "whole words a row");
        uint64_t differ = 0;
        for (int i = 0; i < kWords; i += 4) {
            uint64_t x[4];
            uint64_t y[4];
            std::memcpy(x, a + i * 4, sizeof x);
            std::memcpy(y, b + i * 4, sizeof y);
            differ |= (x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3]);
            if (differ != 0) return false;
        }
        return true;
    }

    // 5-6-5 to 8-bit channels by bit replication, as the bench's pictures.
    static void Expand(const uint16_t* row, uint32_t* out) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = row[x];
            const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
            out[x] = ((r << 3) | (r >> 2)) | (((g << 2) | (g >> 4)) << 8) |
                     (((b << 3) | (b >> 2)) << 16) | 0xFF000000u;
        }
    }

    // The pacing's clock and sleeps: whole milliseconds of the page's clock.
    DWORD NowMs() override { return web::NowMs(); }

    // Sleeps until the tick count reads due: a timer for the whole
    // milliseconds, then the rest of the last one without giving the page
    // back, so the wait never ends in a later millisecond than due's.
    void SleepUntilMs(DWORD due) override {
        const double at = vx_web_now();
        const auto whole = static_cast<uint64_t>(at);
        const int32_t ahead = static_cast<int32_t>(due - static_cast<DWORD>(whole));
        if (ahead > 0) {
            const double target = static_cast<double>(whole) + ahead;
            vx_web_sleep_until(target);
            vx_web_spin_until(target);
        }
        PumpEvents();
    }

    // A poll or peek right after another: the game is waiting for a key or
    // an activation. Unless the pump just before changed what the game sees,
    // it naps until an event comes; the events of the nap are taken before
    // the call goes on.
    void Nap() override {
        if (stirred_) {
            stirred_ = false;
            return;
        }
        NapUntilEvent();
        PumpEvents();
    }

    // Sleeps until the page has an event for the game, or a focus change
    // is due to go on.
    void NapUntilEvent() {
        double ms = kNapMs;
        if (focus_ == Focus::Leaving || focus_ == Focus::Returning) {
            const double left = focusDue_ - vx_web_now();
            if (left < ms) ms = left > 0 ? left : 0;
        }
        vx_web_nap(ms);
    }

    void WaitForRefresh() override {
        if (vx_web_refresh_pending() != 0) vx_web_wait_refresh();
    }

    void FeedAudio() {
        if (!audioOpen_) return;
        int wanted = vx_web_audio_wanted();
        while (wanted > 0) {
            const int frames = wanted < kAudioBlock ? wanted : kAudioBlock;
            core::MixAudio(audio_, frames);
            vx_web_audio_push(audio_, frames);
            wanted -= frames;
        }
    }

    void Handle(const int* event) {
        const int code = event[1];
        const int value = event[2];
        if (event[0] != kMouseMotion) stirred_ = true;
        switch (event[0]) {
            case kKey:
                if (code > 0 && code < 256) taps_.Set(core::KeyTaps::kKeyboard, static_cast<uint8_t>(code), value != 0);
                break;
            case kPadKey:
                if (code > 0 && code < 256) taps_.Set(core::KeyTaps::kPad, static_cast<uint8_t>(code), value != 0);
                break;
            case kFocus:
                if (value == 0)
                    FocusLost();
                else
                    FocusGained();
                break;
            case kMouseButton:
                if (code >= 0 && code < 4) core::SetMouseButton(code, value != 0);
                break;
            case kMouseMotion: core::AddMouseMotion(code, value, 0); break;
            default: break;
        }
    }

    // Leaving the page is what Alt+Tab is on the desktop: the game sees left
    // Alt and Tab down in one poll (in play it suspends itself), then the
    // keys go up and the deactivation arrives. A game that does not poll in
    // time gets the deactivation all the same.
    void FocusLost() {
        if (focus_ != Focus::Active) return;
        taps_.ReleaseAll();
        for (const uint8_t dik : {kLeftAlt, kTab}) {
            taps_.Set(core::KeyTaps::kKeyboard, dik, true);
            taps_.Set(core::KeyTaps::kKeyboard, dik, false);
        }
        focus_ = Focus::Leaving;
        focusDue_ = vx_web_now() + kFocusChangeMs;
    }

    // Coming back: the activation is posted once the game has taken the
    // deactivation (a suspended game peeks at its messages at once), or
    // after a while, when it cancels a deactivation still queued.
    void FocusGained() {
        if (focus_ == Focus::Active) return;
        if (focus_ == Focus::Leaving) Deactivate();
        stale_ = true;
        focus_ = Focus::Returning;
        peeked_ = false;
        focusDue_ = vx_web_now() + kFocusChangeMs;
    }

    void Deactivate() {
        taps_.ReleaseAll();
        core::PostActivation(false);
        focus_ = Focus::Away;
    }

    void FinishFocusChange() {
        if (focus_ == Focus::Leaving &&
            ((!taps_.ReleasePending(kLeftAlt) && !taps_.ReleasePending(kTab)) || vx_web_now() >= focusDue_)) {
            Deactivate();
            stirred_ = true;
        } else if (focus_ == Focus::Returning && (peeked_ || vx_web_now() >= focusDue_)) {
            core::PostActivation(true);
            focus_ = Focus::Active;
            stirred_ = true;
        }
    }

    core::Pacing pacing_{*this};
    bool stirred_ = false;  // the last pump changed what the game sees

    uint16_t shown_[kWidth * kHeight] = {};
    uint32_t rgba_[kWidth * kHeight] = {};
    bool stale_ = true;  // the canvas shows something else than shown_

    bool audioOpen_ = false;
    int16_t audio_[kAudioBlock * 2] = {};

    std::vector<std::string> written_;

    core::KeyTaps taps_;  // the keyboard's and the pads' keys, taps held for one poll

    enum class Focus { Active, Leaving, Away, Returning };
    Focus focus_ = Focus::Active;
    double focusDue_ = 0;
    bool peeked_ = false;
};

WebBackend* installed = nullptr;

}  // namespace

void StartBackend(const char* gameFolder, const char* keptFolder) {
    static WebBackend backend;
    installed = &backend;
    vx_web_persist_load(keptFolder, gameFolder);
    core::InstallBackend(&backend);
}

void StopBackend(int result) {
    if (installed != nullptr) {
        installed->TakeWrittenFiles();
        installed->CloseAudio();
    }
    vx_web_game_ended(result);
}

}  // namespace pf::web
