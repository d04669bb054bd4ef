// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LineLanguageEvidence.h"

#include "KeyvaneCore/RulesEngine.h"

#include <algorithm>
#include <array>

namespace keyvane {

void LineLanguageEvidence::recordWord(std::optional<Language> language, bool corrected) {
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
    const std::vector<Language> languages = engine.languagesOfWord(word);
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

void LineLanguageEvidence::useLayout(Language layout) {
    if (layout_ != layout) {
        newLine();
        layout_ = layout;
    }
}

std::optional<Language> LineLanguageEvidence::language() const {
    return context().language;
}

LineContext LineLanguageEvidence::context() const {
    std::array<std::size_t, allLanguages.size()> votes{};
    auto votesFor = [&](Language language) -> std::size_t& {
        return votes[static_cast<std::size_t>(language)];
    };
    for (const Vote& vote : recent_) {
        ++votesFor(vote.language);
    }
    LineContext context;
    std::size_t best = 0;
    // Newest first: of languages with equal votes, the one seen last wins.
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it) {
        if (votesFor(it->language) > best) {
            best = votesFor(it->language);
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
