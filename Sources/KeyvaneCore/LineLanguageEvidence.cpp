// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LineLanguageEvidence.h"

#include "KeyvaneCore/RulesEngine.h"

#include <algorithm>
#include <map>

namespace keyvane {

void LineLanguageEvidence::recordWord(const std::optional<std::string>& language, bool corrected) {
    if (!language) {
        return;
    }
    recent_.push_back({*language, corrected});
    if (recent_.size() > votingWords) {
        recent_.pop_front();
    }
}

void LineLanguageEvidence::recordWord(const RulesEngine& engine, std::string_view typed,
                                      const RulesDecision& decision) {
    const std::string_view word =
        decision.shouldCorrect() ? std::string_view(*decision.correctedToken) : typed;
    const std::vector<std::string> languages = engine.languagesOfWord(word);
    if (languages.size() == 1) {
        recordWord(languages.front(), decision.shouldCorrect());
    } else if (languages.empty() && decision.shouldCorrect()) {
        // A correction into a word no list has counts for the language it was corrected into;
        // "Напиши", Russian and Ukrainian alike, tells nothing whichever reading won.
        recordWord(decision.targetLanguage, true);
    }
}

void LineLanguageEvidence::newLine() {
    recent_.clear();
}

void LineLanguageEvidence::useLayout(const std::string& layout) {
    if (layout_ != layout) {
        newLine();
        layout_ = layout;
    }
}

std::optional<std::string> LineLanguageEvidence::language() const {
    return context().language;
}

LineContext LineLanguageEvidence::context() const {
    std::map<std::string, std::size_t> votes;
    for (const Vote& vote : recent_) {
        ++votes[vote.language];
    }
    LineContext context;
    std::size_t best = 0;
    // Newest first: of languages with equal votes, the one seen last wins.
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it) {
        if (votes[it->language] > best) {
            best = votes[it->language];
            context.language = it->language;
        }
    }
    context.typedOnWrongLayout =
        context.language && std::any_of(recent_.begin(), recent_.end(), [&](const Vote& vote) {
            return vote.corrected && vote.language == *context.language;
        });
    return context;
}

} // namespace keyvane
