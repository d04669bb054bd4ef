// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/SessionLanguageTracker.h"

#include <algorithm>
#include <limits>

namespace keyvane {

SessionLanguageTracker::SessionLanguageTracker(int streakToActivate)
    : streakToActivate_(std::max(streakToActivate, 1)) {}

void SessionLanguageTracker::recordWord(std::optional<Language> language) {
    if (!language) {
        return;
    }
    if (streakLanguage_ == language) {
        // Saturate instead of overflowing on an endless streak.
        if (streakCount_ < std::numeric_limits<int>::max()) {
            ++streakCount_;
        }
    } else {
        streakLanguage_ = language;
        streakCount_ = 1;
    }
}

void SessionLanguageTracker::reset() {
    streakLanguage_.reset();
    streakCount_ = 0;
}

std::optional<Language> SessionLanguageTracker::sessionLanguage() const {
    return streakCount_ >= streakToActivate_ ? streakLanguage_ : std::nullopt;
}

} // namespace keyvane
