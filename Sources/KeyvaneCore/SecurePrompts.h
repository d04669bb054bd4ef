// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// Programs that exist to ask for a password (screen lockers, polkit agents, pinentry, ssh-askpass,
// the keyring's prompter): nothing typed into their windows is read or corrected. They are named by
// desktop-entry ID or window class, compared lower-cased. The list ships as "secure_prompts.json";
// a file of the same name in the user's data directory replaces it.
struct SecurePrompts {
    std::vector<std::string> desktopEntryIDs;
    std::vector<std::string> windowClasses;

    bool matches(const std::string& desktopEntryID, const std::string& wmClass) const;

    // {"desktop_entries": [...], "window_classes": [...]}; nothing (and why) for any other text.
    static std::optional<SecurePrompts> parse(std::string_view text, std::string* error = nullptr);
    // The user's list when there is one, else the shipped one. A list that cannot be read or does
    // not parse is said in `problem`, and the shipped list is used in its place (an empty one only
    // when no shipped list can be read either).
    static SecurePrompts load(std::string* problem = nullptr);
};

} // namespace keyvane
