// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/ManualConversionTestRunner.h"

#include <algorithm>
#include <vector>

namespace keyvane::ManualConversionTestRunner {
namespace {

struct Check {
    enum class Kind { smart, smartTextOnly, hintInvariance, targeted } kind;
    std::string label;
    std::string input;
    std::string expectedText;
    Language expectedLanguage = Language::en;
    std::string note;
};

} // namespace

bool run(const RulesEngine& engine, std::ostream& out) {
    using K = Check::Kind;
    const std::vector<Check> checks = {
        {K::smart, "smart", "ЕЗІ", "TPS", Language::en, "UK `і` must map back to S"},
        {K::smart, "smart", "езі", "tps", Language::en, ""},
        {K::smart, "smart", "привіт", "ghbdsn", Language::en, ""},
        {K::smart, "smart", "привет", "ghbdtn", Language::en, ""},
        {K::smartTextOnly, "smart", "ghbdtn", "привет", Language::en, ""},
        {K::smart, "smart", "ghbdsn", "привіт", Language::uk, "привіт is a UK word, привыт is not RU"},
        {K::hintInvariance, "hint-invariant", "ghbdtn", "", Language::en, ""},
        {K::hintInvariance, "hint-invariant", "ghbdsn", "", Language::en, ""},
        {K::targeted, "→uk", "ghbdtn", "привет", Language::uk, ""},
        {K::targeted, "→ru", "ghbdsn", "привыт", Language::ru, ""},
        {K::targeted, "→en", "ЕЗІ", "TPS", Language::en, ""},
        {K::targeted, "→uk", "привыт", "привіт", Language::uk, ""},
    };
    out << "\n── ManualConversion ──\n";
    long long passed = 0;
    long long failed = 0;
    for (const Check& check : checks) {
        bool ok = false;
        switch (check.kind) {
        case K::smart: {
            ManualConversionResult r = engine.convertSelectionSmart(check.input, std::nullopt);
            ok = r.text == check.expectedText && r.targetLanguage == check.expectedLanguage;
            out << "  " << (ok ? "✓ " : "✗ ") << check.label << " " << check.input << " → " << r.text << " ["
                << r.targetLanguage << "]";
            if (!ok) {
                out << " (expected " << check.expectedText << " [" << check.expectedLanguage << "]) "
                    << check.note;
            }
            out << "\n";
            break;
        }
        case K::smartTextOnly: {
            ManualConversionResult r = engine.convertSelectionSmart(check.input, std::nullopt);
            ok = r.text == check.expectedText;
            if (ok) {
                out << "  ✓ smart " << check.input << " → " << r.text << " [" << r.targetLanguage
                    << "] (text-only)\n";
            } else {
                out << "  ✗ smart " << check.input << " → " << r.text << " (expected " << check.expectedText
                    << ") \n";
            }
            break;
        }
        case K::hintInvariance: {
            const std::vector<std::optional<Language>> hints = {std::nullopt, Language::en, Language::ru,
                                                                Language::uk};
            std::vector<ManualConversionResult> results;
            for (const auto& hint : hints) {
                results.push_back(engine.convertSelectionSmart(check.input, hint));
            }
            ok = std::all_of(results.begin(), results.end(),
                             [&](const auto& r) { return r == results.front(); });
            if (ok) {
                out << "  ✓ hint-invariant " << check.input << " → " << results.front().text << " ["
                    << results.front().targetLanguage << "]\n";
            } else {
                out << "  ✗ hint-invariant " << check.input << " leaks active layout:";
                for (std::size_t i = 0; i < hints.size(); ++i) {
                    out << " " << (hints[i] ? toString(*hints[i]) : "nil") << ":"
                        << results[i].targetLanguage;
                }
                out << "\n";
            }
            break;
        }
        case K::targeted: {
            ManualConversionResult r = engine.convertSelection(check.input, check.expectedLanguage);
            ok = r.text == check.expectedText && r.targetLanguage == check.expectedLanguage;
            out << "  " << (ok ? "✓ " : "✗ ") << check.label << " " << check.input << " → " << r.text;
            if (!ok) {
                out << " [" << r.targetLanguage << "] (expected " << check.expectedText << " ["
                    << check.expectedLanguage << "]) ";
            }
            out << "\n";
            break;
        }
        }
        (ok ? passed : failed) += 1;
    }
    out << "\n  Results: " << passed << " passed, " << failed << " failed, " << (passed + failed)
        << " total\n";
    return failed == 0;
}

} // namespace keyvane::ManualConversionTestRunner
