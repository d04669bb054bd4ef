// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/GoldenTestRunner.h"

#include "KeyvaneDevTools/TextFormat.h"

namespace keyvane::GoldenTestRunner {

bool run(const RulesEngine& engine, std::ostream& out) {
    const auto& tests = engine.config().goldenTests;
    if (tests.empty()) {
        out << "[GoldenTests] No golden tests found in config.\n";
        return true;
    }
    long long passed = 0;
    long long failed = 0;
    for (const GoldenTest& test : tests) {
        auto languageOf = [](const std::optional<std::string>& code) {
            return code ? languageFromString(*code) : std::nullopt;
        };
        RulesDecision d =
            engine.evaluate(test.input, "com.test.app", false, languageOf(test.activeInputSource),
                            languageOf(test.sessionLanguage));
        std::string actual;
        if (test.mode == "skip") {
            actual = d.shouldCorrect() ? *d.correctedToken : test.input;
        } else {
            actual = d.correctedToken.value_or(test.input);
        }
        bool sourceOk = !test.expectedSourceLang ||
                        (d.sourceLanguage && toString(*d.sourceLanguage) == *test.expectedSourceLang);
        if (actual == test.expected && sourceOk) {
            ++passed;
            out << "  ✓ " << test.input << " → " << actual << " [" << test.reason << "]\n";
        } else if (actual == test.expected) {
            ++failed;
            out << "  ✗ " << test.input << " → " << actual << " [" << test.reason
                << "] sourceLanguage=" << (d.sourceLanguage ? toString(*d.sourceLanguage) : "nil")
                << " (expected: " << test.expectedSourceLang.value_or("nil") << ")\n";
        } else {
            ++failed;
            out << "  ✗ " << test.input << " → " << actual << " (expected: " << test.expected << ") ["
                << test.reason << "] decision: shouldCorrect=" << (d.shouldCorrect() ? "true" : "false")
                << " reason=" << toString(d.reason) << " conf=" << TextFormat::formatted("%.2f", d.confidence)
                << "\n";
        }
    }
    out << "\n  Results: " << passed << " passed, " << failed << " failed, " << (passed + failed)
        << " total\n";
    return failed == 0;
}

} // namespace keyvane::GoldenTestRunner
