// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace keyvane {

// The language the user has evidently been writing in: the language of a streak of words,
// once the streak is long enough.
class SessionLanguageTracker {
public:
    explicit SessionLanguageTracker(int streakToActivate);

    // An absent language neither extends nor breaks the streak.
    void recordWord(const std::optional<std::string>& language);
    void reset();

    std::optional<std::string> sessionLanguage() const;

private:
    int streakToActivate_;
    std::optional<std::string> streakLanguage_;
    int streakCount_ = 0;
};

} // namespace keyvane
