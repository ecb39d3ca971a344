// The picture list (assets/content/pictures.txt): one line per picture file,
//
//   file  sets  x  y  width  height  kind  key=value ...
//
// sets: intro, menu, play or a comma list ("menu,play" for the font).
// (x, y) is the picture's place on the sheet; the kind names the recipe in
// art.cpp and the key=value pairs are its parameters (colours rrggbb, texts
// in double quotes when they hold spaces).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vxc {

struct PictureRecipe {
    std::string file;
    std::vector<std::string> sets;
    int x = 0, y = 0, w = 0, h = 0;
    std::string kind;
    std::map<std::string, std::string> params;
    int line = 0;

    std::string Get(const std::string& key, const std::string& fallback = "") const {
        auto it = params.find(key);
        return it == params.end() ? fallback : it->second;
    }
    bool InSet(const std::string& s) const {
        for (const std::string& x : sets) if (x == s) return true;
        return false;
    }
};

bool ParseManifest(const std::string& text, std::vector<PictureRecipe>& out, std::string& error);

}  // namespace vxc
