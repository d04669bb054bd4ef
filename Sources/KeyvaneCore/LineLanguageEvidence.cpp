#include "LineLanguageEvidence.h"

#include "RulesEngine.h"

#include <map>

namespace keyvane {

void LineLanguageEvidence::recordWord(const std::optional<std::string>& language) {
    if (!language) {
        return;
    }
    recent_.push_back(*language);
    if (recent_.size() > kVotingWords) {
        recent_.pop_front();
    }
}

void LineLanguageEvidence::recordWord(const RulesEngine& engine, std::string_view typed,
                                      const RulesDecision& decision) {
    if (decision.shouldCorrect && decision.correctedToken) {
        // "Напиши" is Russian and Ukrainian alike, whichever reading won: no evidence. A word no
        // list has counts for the language it was corrected into.
        if (auto language = engine.languageOfWord(*decision.correctedToken)) {
            recordWord(language);
        } else if (!engine.isKnownWord(*decision.correctedToken)) {
            recordWord(decision.targetLanguage);
        }
    } else if (!decision.shouldCorrect) {
        recordWord(engine.languageOfWord(typed));
    }
}

void LineLanguageEvidence::newLine() {
    recent_.clear();
}

std::optional<std::string> LineLanguageEvidence::language() const {
    std::map<std::string, std::size_t> votes;
    for (const std::string& language : recent_) {
        ++votes[language];
    }
    std::optional<std::string> winner;
    std::size_t best = 0;
    // Newest first: of languages with equal votes, the one seen last wins.
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it) {
        if (votes[*it] > best) {
            best = votes[*it];
            winner = *it;
        }
    }
    return winner;
}

} // namespace keyvane
