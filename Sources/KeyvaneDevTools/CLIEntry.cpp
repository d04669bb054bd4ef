// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/CLIEntry.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvaneDevTools/BigramHarvester.h"
#include "KeyvaneDevTools/CLIOptionsParser.h"
#include "KeyvaneDevTools/InputDiagnosticRunner.h"
#include "KeyvaneDevTools/KeyTypingEvaluationRunner.h"
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"
#include "KeyvaneDevTools/LearnModeRunner.h"
#include "KeyvaneDevTools/RoundTripEvaluationRunner.h"
#include "KeyvaneDevTools/TextVerificationRunner.h"
#include "KeyvaneDevTools/WordFrequencyHarvester.h"

#include <algorithm>
#include <filesystem>

namespace keyvane::CLIEntry {

bool isCommandLine(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& a) {
        return a == "-file" || a == "-input" || a == "-type" || a == "-language";
    });
}

std::unique_ptr<RulesEngine> makeEngine(const CLIOptions& options, std::ostream& err) {
    const std::vector<std::string> candidates =
        options.rulesFile ? std::vector<std::string>{*options.rulesFile} : AppPaths::rulesFileCandidates();
    auto fail = [&]() -> std::unique_ptr<RulesEngine> {
        err << "Error: Cannot load rules config. Tried: ";
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            err << (i == 0 ? "" : ", ") << candidates[i];
        }
        err << "\n";
        return nullptr;
    };
    std::error_code ec;
    auto existing = std::find_if(candidates.begin(), candidates.end(),
                                 [&](const std::string& path) { return std::filesystem::exists(path, ec); });
    if (existing == candidates.end()) {
        return fail();
    }
    auto text = AtomicFile::read(*existing);
    if (!text) {
        return fail();
    }
    std::optional<nlohmann::json> decoded = RulesConfig::decode(*text);
    text.reset(); // the biggest things held are the text and its document: never both longer than needed
    if (!decoded || !decoded->is_object()) {
        return fail();
    }
    const nlohmann::json overrides = RulesFile::seedOverrides(*decoded);
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    if (options.languages) {
        std::vector<std::string> codes;
        for (Language language : *options.languages) {
            codes.emplace_back(toString(language));
        }
        preferences.activeLanguages = UserPreferences::normalize(codes);
    }
    RulesConfig config = RulesConfig::load(*decoded, overrides, preferences);
    decoded.reset();
    config.useShippedVocabularies();
    return std::make_unique<RulesEngine>(std::move(config));
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<CLIOptions> parsed = CLIOptionsParser::parse(args, &error);
    if (!parsed) {
        err << error << "\n";
        return 1;
    }
    const CLIOptions& options = *parsed;
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    const std::string lang = toString(options.language);

    if (options.inputString) {
        auto engine = makeEngine(options, err);
        return engine ? InputDiagnosticRunner(*options.inputString, *engine, options.session).run(out) : 1;
    }
    switch (options.type) {
    case CLIType::test: {
        auto engine = makeEngine(options, err);
        if (!engine) {
            return 1;
        }
        KeyvaneDiagnosticAnalyzer analyzer(*engine);
        return TextVerificationRunner(options, analyzer).run(out, err);
    }
    case CLIType::roundtrip: {
        auto engine = makeEngine(options, err);
        if (!engine) {
            return 1;
        }
        if (options.keys) {
            return KeyTypingEvaluationRunner(options, *engine, cwd + "/keytyping-report_" + lang + ".json")
                .run(out, err);
        }
        return RoundTripEvaluationRunner(options, *engine, cwd + "/roundtrip-report_" + lang + ".json",
                                         cwd + "/roundtrip-fails_" + lang + ".csv")
            .run(out, err);
    }
    case CLIType::learn: {
        auto engine = makeEngine(options, err);
        if (!engine) {
            return 1;
        }
        KeyvaneDiagnosticAnalyzer analyzer(*engine);
        return LearnModeRunner(options, analyzer, cwd + "/scoring-profile.json").run(out, err);
    }
    case CLIType::harvestNgrams: return BigramHarvester(options, cwd + "/bigram-harvest.json").run(out, err);
    case CLIType::harvestWords:
        return WordFrequencyHarvester(options, cwd + "/word-harvest_" + lang + ".json").run(out, err);
    }
    return 1;
}

} // namespace keyvane::CLIEntry
