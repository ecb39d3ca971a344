// Script and fault parsing for the bench.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "headless.h"
#include "pf/dinput.h"

namespace pf::headless {
namespace {

struct KeyName {
    const char* name;
    uint8_t code;
};

// The keys the game reads, by the names scripts use.
constexpr KeyName kKeyNames[] = {
    {"ESCAPE", DIK_ESCAPE}, {"TAB", DIK_TAB},        {"P", DIK_P},
    {"S", DIK_S},           {"RETURN", DIK_RETURN},  {"LCTRL", DIK_LCONTROL},
    {"RCTRL", DIK_RCONTROL}, {"LALT", DIK_LMENU},    {"UP", DIK_UP},
    {"DOWN", DIK_DOWN},     {"LEFT", DIK_LEFT},      {"RIGHT", DIK_RIGHT},
};

// A whole decimal or 0x-hex number up to limit.
bool ParseNumber(const std::string& text, uint64_t limit, uint64_t* value) {
    if (text.empty()) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (*digits == 0 || *digits == '-' || *digits == '+' || std::isspace(static_cast<unsigned char>(*digits)))
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits, &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != 0 || parsed > limit) return false;
    *value = parsed;
    return true;
}

bool ParseKey(const std::string& text, uint8_t* code) {
    for (const KeyName& key : kKeyNames)
        if (text == key.name) {
            *code = key.code;
            return true;
        }
    uint64_t value = 0;
    if (!ParseNumber(text, 255, &value)) return false;
    *code = static_cast<uint8_t>(value);
    return true;
}

bool ParseEvent(const std::vector<std::string>& words, ScriptEvent* event) {
    using Kind = ScriptEvent::Kind;
    if (words.size() == 4 && words[1] == "key") {
        if (!ParseKey(words[2], &event->key)) return false;
        if (words[3] == "down")
            event->kind = Kind::KeyDown;
        else if (words[3] == "up")
            event->kind = Kind::KeyUp;
        else
            return false;
        return true;
    }
    if (words.size() == 3 && words[1] == "focus") {
        if (words[2] == "lost") event->kind = Kind::FocusLost;
        else if (words[2] == "gained") event->kind = Kind::FocusGained;
        else return false;
        return true;
    }
    if (words.size() == 3 && words[1] == "keyboard") {
        if (words[2] == "lost") event->kind = Kind::KeyboardLost;
        else if (words[2] == "back") event->kind = Kind::KeyboardBack;
        else return false;
        return true;
    }
    if (words.size() == 2 && words[1] == "close") {
        event->kind = Kind::Close;
        return true;
    }
    return false;
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<ScriptEvent>* events, std::string* error) {
    std::vector<ScriptEvent> parsed;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const size_t comment = line.find('#');
        if (comment != std::string::npos) line.resize(comment);
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string word; split >> word;) words.push_back(word);
        if (words.empty()) continue;
        ScriptEvent event;
        uint64_t ms = 0;
        if (!ParseNumber(words[0], UINT32_MAX, &ms) || !ParseEvent(words, &event)) {
            if (error != nullptr) {
                std::string shown = line;
                while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' '))
                    shown.pop_back();
                *error = "script line " + std::to_string(number) + ": cannot read \"" + shown +
                         "\" (expected \"<ms> key <NAME|code> down|up\", \"<ms> focus "
                         "lost|gained\", \"<ms> close\" or \"<ms> keyboard lost|back\")";
            }
            return false;
        }
        event.ms = static_cast<uint32_t>(ms);
        parsed.push_back(event);
    }
    std::stable_sort(parsed.begin(), parsed.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.ms < b.ms; });
    if (events != nullptr) *events = std::move(parsed);
    return true;
}

bool ParseFault(const std::string& text, Fault* fault, std::string* error) {
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    uint64_t n = 0;
    uint64_t code = 0;
    bool ok = second != std::string::npos && first > 0;
    if (ok) {
        const std::string codeText = text.substr(second + 1);
        const bool negative = !codeText.empty() && codeText[0] == '-';
        ok = ParseNumber(text.substr(first + 1, second - first - 1), UINT32_MAX, &n) && n > 0;
        if (ok && negative) {
            ok = ParseNumber(codeText.substr(1), uint64_t{1} << 31, &code);
            code = static_cast<uint64_t>(-static_cast<int64_t>(code));
        } else if (ok) {
            ok = ParseNumber(codeText, UINT32_MAX, &code);
        }
    }
    if (!ok) {
        if (error != nullptr)
            *error = "bad fault \"" + text + "\" (expected OP:N:CODE, N from 1, CODE decimal or 0x hex)";
        return false;
    }
    fault->operation = text.substr(0, first);
    fault->n = static_cast<unsigned>(n);
    fault->code = static_cast<int32_t>(static_cast<uint32_t>(code));
    return true;
}

}  // namespace pf::headless
