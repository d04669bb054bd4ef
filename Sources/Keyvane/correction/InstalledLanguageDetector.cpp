#include "Keyvane/correction/InstalledLanguageDetector.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserPreferences.h"

#include <algorithm>
#include <cctype>

namespace keyvane::InstalledLanguageDetector {
namespace {

// The words of a layout name: split at non-letters and at case changes ("USInternational-PC" →
// us, international, pc), lower-cased.
std::vector<std::string> nameWords(const std::string& name) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&]() {
        if (!word.empty()) {
            words.push_back(UnicodeText::toLower(word));
            word.clear();
        }
    };
    const std::vector<std::string> chars = UnicodeText::graphemes(name);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string& c = chars[i];
        if (!UnicodeText::isLetter(c)) {
            flush();
            continue;
        }
        bool upper = UnicodeText::isUpperCase(c);
        if (!word.empty() && upper) {
            bool previousLower = !UnicodeText::isUpperCase(chars[i - 1]);
            bool nextLower = i + 1 < chars.size() && UnicodeText::isLetter(chars[i + 1]) &&
                             !UnicodeText::isUpperCase(chars[i + 1]);
            if (previousLower || nextLower) {
                flush(); // "aB" starts a word at B; "ABc" starts one at B
            }
        }
        word += c;
    }
    flush();
    return words;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : ", ") + items[i];
    }
    return out;
}

} // namespace

std::optional<std::string> key(const std::string& sourceID) {
    static const std::pair<const char*, const char*> patterns[] = {
        {"russian", "ru"},    {"ukrainian", "uk"}, {"abc", "en"},   {"us", "en"},      {"british", "en"},
        {"australian", "en"}, {"canadian", "en"},  {"irish", "en"}, {"english", "en"},
    };
    const std::string marker = ".keylayout.";
    auto at = sourceID.find(marker);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    // Whole words only: "us" must not match inside "Belarusian" or "Russian".
    const std::vector<std::string> words = nameWords(sourceID.substr(at + marker.size()));
    for (const auto& [pattern, language] : patterns) {
        if (std::find(words.begin(), words.end(), pattern) != words.end()) {
            return std::string(language);
        }
    }
    return std::nullopt;
}

std::optional<std::string> currentSourceID(PlatformServices& platform) {
    auto source = platform.currentInputSource();
    if (!source || source->id.empty()) {
        return std::nullopt;
    }
    return source->id;
}

std::optional<std::string> currentKey(PlatformServices& platform) {
    auto id = currentSourceID(platform);
    return id ? key(*id) : std::nullopt;
}

std::set<std::string> detectInstalledKeys(PlatformServices& platform) {
    auto sources = platform.enabledInputSources();
    if (!sources) {
        appLog("[Keyvane] TISCreateInputSourceList returned nil — assuming no detected languages");
        return {};
    }
    std::set<std::string> keys;
    for (const InputSource& source : *sources) {
        if (auto language = source.id.empty() ? std::nullopt : key(source.id)) {
            keys.insert(*language);
        }
    }
    appLog("[Keyvane] TIS detected installed layouts → keys: [" +
           joined(std::vector<std::string>(keys.begin(), keys.end())) + "]");
    return keys;
}

std::vector<std::string> reconcile(const std::vector<std::string>& saved,
                                   const std::set<std::string>& detected) {
    std::vector<std::string> result{"en"};
    auto taken = [&](const std::string& k) {
        return std::find(result.begin(), result.end(), k) != result.end();
    };
    for (const std::string& entry : saved) {
        std::string k = UnicodeText::toLower(entry);
        if (!taken(k) && detected.contains(k)) {
            result.push_back(k);
        }
    }
    for (const std::string& k : detected) {
        if (!taken(k)) {
            result.push_back(k);
        }
    }
    return result;
}

bool reconcileAndPersist(PlatformServices& platform) {
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    std::set<std::string> detected = detectInstalledKeys(platform);
    detected.insert("en");
    std::vector<std::string> reconciled = reconcile(preferences.activeLanguages, detected);
    if (reconciled == preferences.activeLanguages) {
        return false;
    }
    appLog("[Keyvane] activeLanguages reconciled: [" + joined(preferences.activeLanguages) + "] → [" +
           joined(reconciled) + "]");
    preferences.activeLanguages = reconciled;
    UserPreferences::save(preferences, UserPreferences::defaultPath());
    return true;
}

} // namespace keyvane::InstalledLanguageDetector
