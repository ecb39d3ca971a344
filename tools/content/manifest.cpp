#include "tools/content/manifest.h"

#include <cstdlib>
#include <sstream>

namespace vxc {

namespace {

// Splits on blanks; a double-quoted part (also after "key=") keeps its blanks.
bool Tokens(const std::string& line, std::vector<std::string>& out) {
    out.clear();
    std::string cur;
    bool quoted = false, any = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"') quoted = false;
            else cur.push_back(c);
        } else if (c == '"') {
            quoted = true; any = true;
        } else if (c == '#') {
            break;
        } else if (c == ' ' || c == '\t') {
            if (any) out.push_back(cur);
            cur.clear(); any = false;
        } else {
            cur.push_back(c); any = true;
        }
    }
    if (quoted) return false;
    if (any) out.push_back(cur);
    return true;
}

bool Int(const std::string& s, int& v) {
    char* end = nullptr;
    long x = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || x < 0 || x > 65535) return false;
    v = int(x);
    return true;
}

}  // namespace

bool ParseManifest(const std::string& text, std::vector<PictureRecipe>& out, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int n = 0;
    std::vector<std::string> t;
    while (std::getline(in, line)) {
        ++n;
        if (!Tokens(line, t)) { error = "pictures.txt line " + std::to_string(n) + ": unclosed quote"; return false; }
        if (t.empty()) continue;
        PictureRecipe p;
        p.line = n;
        if (t.size() < 7 || !Int(t[2], p.x) || !Int(t[3], p.y) || !Int(t[4], p.w) || !Int(t[5], p.h)) {
            error = "pictures.txt line " + std::to_string(n) + ": expected: file sets x y width height kind [key=value...]";
            return false;
        }
        p.file = t[0];
        std::stringstream ss(t[1]);
        std::string s;
        while (std::getline(ss, s, ',')) {
            if (s != "intro" && s != "menu" && s != "play") {
                error = "pictures.txt line " + std::to_string(n) + ": unknown set \"" + s + "\"";
                return false;
            }
            p.sets.push_back(s);
        }
        p.kind = t[6];
        for (size_t i = 7; i < t.size(); ++i) {
            size_t eq = t[i].find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "pictures.txt line " + std::to_string(n) + ": parameter \"" + t[i] + "\" is not key=value";
                return false;
            }
            p.params[t[i].substr(0, eq)] = t[i].substr(eq + 1);
        }
        for (const PictureRecipe& q : out)
            if (q.file == p.file) { error = "pictures.txt line " + std::to_string(n) + ": " + p.file + " listed twice"; return false; }
        out.push_back(std::move(p));
    }
    return true;
}

}  // namespace vxc
