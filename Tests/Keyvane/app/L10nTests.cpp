// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/L10n.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

std::string placeholders(const std::string& text) {
    std::string found;
    for (std::size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size();
         at = text.find('%', at + 1)) {
        found += text.substr(at, 2);
    }
    return found;
}

} // namespace

TEST(InterfaceTexts, EveryKeyIsTranslatedWithTheSamePlaceholders) {
    ASSERT_EQ(L10n::keys().size(), 184u);
    for (const std::string& key : L10n::keys()) {
        const std::string en = L10n::t(key, "en");
        for (const char* language : {"uk", "ru"}) {
            const std::string translated = L10n::t(key, language);
            EXPECT_FALSE(translated.empty()) << key << " " << language;
            EXPECT_EQ(placeholders(translated), placeholders(en)) << key << " " << language;
        }
        for (const char* language : {"en", "uk", "ru"}) { // "Active  (always first)" reads as a slip
            const std::string text = L10n::t(key, language);
            const std::size_t start = text.find_first_not_of(' '); // a menu item may be indented
            EXPECT_EQ(text.find("  ", start == std::string::npos ? 0 : start), std::string::npos)
                << key << " " << language;
        }
    }
}

TEST(InterfaceTexts, LanguageChoiceAndFallbacks) {
    L10n::setLanguage("de");
    EXPECT_EQ(L10n::t("menu.quit"), "Quit Keyvane");
    L10n::setLanguage("uk");
    EXPECT_EQ(L10n::t("menu.disable_app"), "Вимкнути «%@»");
    EXPECT_EQ(L10n::t("no.such.key"), "no.such.key");
    L10n::setLanguage("ru");
    EXPECT_EQ(L10n::t("feedback.error.server"), "Сервер отклонил запрос (HTTP %d).");
    L10n::setLanguage("en");
}
