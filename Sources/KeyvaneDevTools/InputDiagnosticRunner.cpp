// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/InputDiagnosticRunner.h"

#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvaneDevTools/TextFormat.h"

#include <algorithm>
#include <sstream>

namespace keyvane {
namespace {

std::string code(Language language) {
    return toString(language);
}

using TextFormat::formatted;

const std::string ruleLine(80, '=');

std::string repeated(const std::string& s, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

void printKV(std::ostream& out, const std::string& key, const std::string& value) {
    std::size_t length = UnicodeText::length(key);
    out << "  " << key << std::string(length < 28 ? 28 - length : 0, ' ') << ": " << value << "\n";
}

void sub(std::ostream& out, const std::string& title) {
    std::size_t length = UnicodeText::length(title);
    out << "─── " << title << " " << repeated("─", length < 70 ? 70 - length : 0) << "\n";
}

std::string number(double value) {
    return formatted("%.2f", value);
}
std::string signedNumber(double value) {
    return "+" + number(value);
}
std::string applied(bool on) {
    return on ? "applied" : "not applied";
}
std::string optionalNumber(const std::optional<double>& value, const char* format) {
    return value ? formatted(format, *value) : "n/a";
}

} // namespace

std::vector<std::string> InputDiagnosticRunner::wrap(const std::vector<std::string>& parts, std::size_t width,
                                                     std::size_t indent) {
    std::vector<std::string> lines;
    const std::string blanks(indent, ' ');
    std::string line = blanks;
    std::size_t lineLength = indent;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i] + (i + 1 < parts.size() ? ", " : "");
        std::size_t partLength = UnicodeText::length(part);
        if (lineLength + partLength > width && lineLength > indent) {
            lines.push_back(line);
            line = blanks + part;
            lineLength = indent + partLength;
        } else {
            line += part;
            lineLength += partLength;
        }
    }
    if (lineLength > indent) {
        lines.push_back(line);
    }
    return lines;
}

int InputDiagnosticRunner::priorityIndex(Language languageKey) const {
    // The order the engine used (-languages, else the preferences), not the preferences file's.
    const std::vector<Language>& active = engine_.config().activeLanguages;
    auto it = std::find(active.begin(), active.end(), languageKey);
    return it == active.end() ? -1 : static_cast<int>(it - active.begin());
}

int InputDiagnosticRunner::run(std::ostream& out) const {
    std::vector<std::string> tokens = UnicodeText::splitOnWhitespace(inputString_);
    if (tokens.empty()) {
        out << "No tokens found in input.\n";
        return 0;
    }
    out << ruleLine << "\nKeyvane input diagnostic\nInput:  \"" << inputString_
        << "\"\nTokens: " << tokens.size() << "\n"
        << ruleLine << "\n";
    // The words of a line are evidence for the language of the next one, as in the live program.
    std::size_t index = 0;
    std::istringstream lines(inputString_);
    for (std::string line; std::getline(lines, line);) {
        LineLanguageEvidence lineEvidence;
        for (const std::string& token : UnicodeText::splitOnWhitespace(line)) {
            printReport(out, ++index, tokens.size(), token, lineEvidence);
        }
    }
    return 0;
}

void InputDiagnosticRunner::printTokenSection(std::ostream& out, const std::string& title,
                                              const TokenScoreDetail& detail,
                                              std::optional<double> extraLayoutSuspicion) const {
    const ScoreBreakdown& b = detail.breakdown;
    sub(out, title);
    printKV(out, "Scored token", detail.token);
    printKV(out, "Exact common word", number(b.exactCommonWord));
    printKV(out, "Exact phrase start", number(b.exactPhraseStart));
    printKV(out, "Exact seed pair", number(b.exactSeedPair));
    printKV(out, "Vowel bonus", number(b.vowelBonus));
    printKV(out, "Strong word start", number(b.strongWordStart));
    printKV(out, "Weak word start", number(b.weakWordStart));
    printKV(out, "Strong word end", number(b.strongWordEnd));
    printKV(out, "Weak word end", number(b.weakWordEnd));
    printKV(out, "Learned suffix boost", number(b.learnedSuffixBoost));
    printKV(out, "Frequent token bonus", number(b.frequentTokenBonus));
    printKV(out, "Impossible pattern", number(b.impossiblePatternPenalty));
    printKV(out, "Rare pattern", number(b.rarePatternPenalty));
    if (extraLayoutSuspicion) {
        printKV(out, "Layout suspicion", number(*extraLayoutSuspicion));
    }
    if (!detail.bigrams.empty()) {
        std::vector<std::string> parts;
        for (const BigramScoreDetail& bigram : detail.bigrams) {
            parts.push_back(bigram.bigram + " (" + (bigram.weight >= 0 ? "+" : "") + number(bigram.weight) +
                            (bigram.isUnknown ? " unk" : "") + ")");
        }
        out << "  Bigrams:\n";
        for (const std::string& line : wrap(parts, 76, 4)) {
            out << line << "\n";
        }
    } else {
        printKV(out, "Bigrams", "(token too short)");
    }
    printKV(out, "Bigram sum log-prob", number(detail.bigramSumLogProb));
    printKV(out, "Normalized (sum/(len-1))", number(detail.bigramNormalized));
    printKV(out, "Scale ×", number(detail.bigramScale));
    printKV(out, "Bigram score (scaled)", number(b.bigramScore));
    printKV(out, "TOTAL", number(b.total()));
}

void InputDiagnosticRunner::renderSingleCandidate(std::ostream& out, const RulesDiagnostic& diag) const {
    const auto& original = diag.originalDetail;
    const auto& candidate = diag.candidateDetail;
    if (original) {
        printTokenSection(out, "ORIGINAL SCORING (lang=" + code(original->languageKey) + ")", *original,
                          std::nullopt);
    }
    if (candidate) {
        printTokenSection(out, "CANDIDATE SCORING (lang=" + code(candidate->languageKey) + ")", *candidate,
                          diag.layoutSuspicionBonus);
    }
    if (original || candidate) {
        out << "\n";
        sub(out, "Applied modifiers");
        auto vowel = [](const std::optional<TokenScoreDetail>& d) {
            double value = d ? d->breakdown.vowelBonus : 0.0;
            return value > 0 ? signedNumber(value) + " ON" : std::string("OFF");
        };
        printKV(out, "Vowel bonus (cand)", vowel(candidate));
        printKV(out, "Vowel bonus (orig)", vowel(original));
        printKV(out, "Layout suspicion", number(diag.layoutSuspicionBonus));
        printKV(out, "Common-orig extra Δ", applied(diag.appliedExtraDeltaForCommonOriginal));
        printKV(out, "Phrase-start discount", applied(diag.appliedPhraseStartDiscount));
        if (candidate) {
            const ScoreBreakdown& c = candidate->breakdown;
            if (c.learnedSuffixBoost != 0)
                printKV(out, "Learned suffix boost", signedNumber(c.learnedSuffixBoost));
            if (c.frequentTokenBonus != 0)
                printKV(out, "Frequent token bonus", signedNumber(c.frequentTokenBonus));
            if (c.impossiblePatternPenalty != 0)
                printKV(out, "Cand impossible penalty", number(c.impossiblePatternPenalty));
            if (c.rarePatternPenalty != 0)
                printKV(out, "Cand rare penalty", number(c.rarePatternPenalty));
        }
        if (original) {
            const ScoreBreakdown& o = original->breakdown;
            if (o.impossiblePatternPenalty != 0)
                printKV(out, "Orig impossible penalty", number(o.impossiblePatternPenalty));
            if (o.rarePatternPenalty != 0)
                printKV(out, "Orig rare penalty", number(o.rarePatternPenalty));
        }
    }
    out << "\n";
    sub(out, "Comparison");
    if (original && candidate) {
        printKV(out, "Original total", number(original->total()));
        printKV(out, "Candidate total", number(candidate->total()));
    }
    if (diag.delta)
        printKV(out, "Delta (cand-orig)", number(*diag.delta));
    if (diag.requiredDelta)
        printKV(out, "Required delta", number(*diag.requiredDelta));
    if (diag.confidence)
        printKV(out, "Confidence", formatted("%.4f", *diag.confidence));
    printKV(out, "Min confidence", formatted("%.4f", diag.minConfidence));
    if (diag.minCandidateScore && candidate) {
        printKV(out, "Final score (cand) [len=" + std::to_string(diag.tokenLength) + "]",
                number(candidate->total()));
        printKV(out, "Required threshold", number(*diag.minCandidateScore));
    }
}

void InputDiagnosticRunner::renderMultiCandidate(std::ostream& out, const RulesDiagnostic& diag) const {
    const TokenScoreDetail* original = nullptr;
    for (const RulesDiagnostic& d : diag.competingDirections) {
        if (d.originalDetail) {
            original = &*d.originalDetail;
            break;
        }
    }
    if (original != nullptr) {
        printTokenSection(out, "ORIGINAL SCORING (lang=" + code(original->languageKey) + ")", *original,
                          std::nullopt);
    }
    for (const RulesDiagnostic& d : diag.competingDirections) {
        if (!d.candidateDetail) {
            continue;
        }
        const Language key = d.candidateDetail->languageKey;
        printTokenSection(out, "CANDIDATE SCORING (lang=" + code(key) + ")", *d.candidateDetail,
                          d.layoutSuspicionBonus);
        out << "  Priority penalty (idx=" << priorityIndex(key)
            << "): " << number(d.candidateDetail->breakdown.priorityPenalty) << "\n";
    }
    out << "\n";
    sub(out, "Applied modifiers");
    for (const RulesDiagnostic& d : diag.competingDirections) {
        if (!d.candidateDetail) {
            continue;
        }
        const Language key = d.candidateDetail->languageKey;
        double penalty = d.candidateDetail->breakdown.priorityPenalty;
        double total = d.candidateDetail->total();
        printKV(out, "Priority penalty " + code(key) + " (idx=" + std::to_string(priorityIndex(key)) + ")",
                number(penalty) + "  raw=" + number(total - penalty) + " → final=" + number(total));
    }
    printKV(out, "Layout suspicion (winner)", number(diag.layoutSuspicionBonus));
    out << "\n";
    sub(out, "Comparison");
    if (original != nullptr) {
        printKV(out, "Original total (lang=" + code(original->languageKey) + ")", number(original->total()));
    }
    for (const RulesDiagnostic& d : diag.competingDirections) {
        if (!d.candidateDetail) {
            continue;
        }
        double penalty = d.candidateDetail->breakdown.priorityPenalty;
        double total = d.candidateDetail->total();
        printKV(out, d.detectedDirection.value_or(code(d.candidateDetail->languageKey)),
                "raw=" + number(total - penalty) + "  priority=" + number(penalty) +
                    "  final=" + number(total) + "  Δ=" + optionalNumber(d.delta, "%.2f") +
                    "  p=" + optionalNumber(d.confidence, "%.4f") + "  " +
                    (d.decision.shouldCorrect() ? "✓ " : "✗ ") + toString(d.decision.reason));
    }
    printKV(out, "Min confidence", formatted("%.4f", diag.minConfidence));
    if (diag.minCandidateScore) {
        printKV(out, "Required threshold", number(*diag.minCandidateScore));
    }
}

void InputDiagnosticRunner::printReport(std::ostream& out, std::size_t index, std::size_t total,
                                        const std::string& word, LineLanguageEvidence& line) const {
    const LineContext context = line.context();
    const std::optional<Language> lineLanguage = context.language;
    RulesDiagnostic diag = engine_.diagnose(word, "cli.input", false, sessionLanguage_, context);
    line.recordWord(engine_, word, diag.decision);
    out << "\n"
        << ruleLine << "\nWORD #" << index << "/" << total << ": \"" << word << "\"\n"
        << ruleLine << "\n";
    if (lineLanguage) {
        printKV(out, "Line language", code(*lineLanguage));
    }
    printKV(out, "Raw token", diag.rawToken);
    printKV(out, "Trimmed token", diag.trimmedToken);
    if (!diag.trailingPunctuation.empty()) {
        printKV(out, "Trailing punct.", "\"" + diag.trailingPunctuation + "\"");
    }
    printKV(out, "Length", std::to_string(diag.tokenLength));
    printKV(out, "Direction", diag.detectedDirection.value_or("(none — mixed/unknown script)"));
    printKV(out, "Candidate", diag.candidate.value_or("(none)"));
    std::vector<std::string> flags;
    if (diag.isProtectedPattern)
        flags.push_back("protected_pattern");
    if (diag.isMixedScript)
        flags.push_back("mixed_script");
    if (diag.containsDigits)
        flags.push_back("contains_digits");
    if (diag.isNeverCorrect)
        flags.push_back("never_correct");
    if (diag.isExactSeedPair)
        flags.push_back("exact_seed_pair");
    std::string flagText;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        flagText += (i == 0 ? "" : ", ") + flags[i];
    }
    printKV(out, "Flags", flags.empty() ? "(none)" : flagText);
    if (diag.competingDirections.size() < 2) {
        renderSingleCandidate(out, diag);
    } else {
        renderMultiCandidate(out, diag);
    }
    out << "\n";
    sub(out, "Decision");
    printKV(out, "Decision", diag.decision.shouldCorrect() ? "SWITCHED" : "IGNORED");
    printKV(out, "Reason", toString(diag.decision.reason));
    if (diag.decision.shouldCorrect()) {
        printKV(out, "Result", word + " → " + *diag.decision.correctedToken);
    }
}

} // namespace keyvane
