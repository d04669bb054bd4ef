// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, as JSON, what the keys of each layout type in each other one, for the layouts named on
// the command line ("us,ru,ua" and their language codes "en,ru,uk"): the "keyboard_layout" maps
// of the rules file. tools/write_keyboard_maps.py writes them into Resources/keyvane_rules.json.

#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');) {
        parts.push_back(part);
    }
    return parts;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: keyvane-xkb-key-maps LAYOUTS LANGUAGES   (e.g. us,ru,ua en,ru,uk)\n";
        return 2;
    }
    const std::vector<std::string> languages = split(argv[2]);
    auto keymap = keyvane::XkbKeyMaps::compile(argv[1], "");
    if (!keymap) {
        std::cerr << "Error: the XKB data does not know the layouts " << argv[1] << "\n";
        return 1;
    }
    nlohmann::ordered_json maps = nlohmann::ordered_json::object();
    for (const keyvane::GroupKeyMaps& group : keyvane::XkbKeyMaps::betweenGroups(keymap.get())) {
        if (group.fromGroup >= languages.size() || group.toGroup >= languages.size()) {
            std::cerr << "Error: more layouts than language codes\n";
            return 1;
        }
        const std::string name = languages[group.fromGroup] + "_to_" + languages[group.toGroup];
        maps[name] = group.lower;
        maps[name + "_shift"] = group.shift;
    }
    std::cout << maps.dump(2) << "\n";
    return 0;
}
