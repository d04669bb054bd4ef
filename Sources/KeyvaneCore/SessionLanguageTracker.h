// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Language.h"

#include <optional>
#include <string>

namespace keyvane {

// The language the user has evidently been writing in: the language of a streak of words,
// once the streak is long enough.
class SessionLanguageTracker {
public:
    explicit SessionLanguageTracker(int streakToActivate);

    // An absent language neither extends nor breaks the streak.
    void recordWord(std::optional<Language> language);
    void reset();

    std::optional<Language> sessionLanguage() const;

private:
    int streakToActivate_;
    std::optional<Language> streakLanguage_;
    int streakCount_ = 0;
};

} // namespace keyvane
