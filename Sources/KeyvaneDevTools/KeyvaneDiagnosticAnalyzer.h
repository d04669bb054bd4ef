// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneDevTools/CLIOptions.h"

#include <optional>
#include <string>

namespace keyvane {

// Reads the engine's decisions for the verification reports and the learn mode.
class KeyvaneDiagnosticAnalyzer {
public:
    explicit KeyvaneDiagnosticAnalyzer(const RulesEngine& engine)
        : engine_(engine) {}

    // Latin letters only: a Russian word typed on English keys; Cyrillic only: the reverse.
    static std::optional<KeyvaneDirection> detectDirection(const std::string& original);
    // Report text for an engine reason code; unknown codes come back unchanged.
    static std::string humanReason(const std::string& reasonCode);
    // Why the engine leaves a word alone that should have been switched; nothing when it does
    // switch it, or the word is not of the expected direction.
    std::optional<KeyvaneMissedCandidate> diagnoseMissed(const std::string& word, Language expected) const;

    const RulesEngine& engine() const { return engine_; }

private:
    const RulesEngine& engine_;
};

// The direction that normal and reverse verification look for in text of a language.
std::optional<KeyvaneDirection> directionFor(Language language);

} // namespace keyvane
