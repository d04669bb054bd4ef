// SPDX-License-Identifier: GPL-3.0-or-later
// Word forms of a hunspell dictionary, generated from its affix rules as the spell checker reads
// them.

#include "HunspellForms.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace keyvane;

namespace {

std::set<std::string> formsOf(const std::string& aff, const std::string& dic) {
    std::set<std::string> out;
    auto forms = HunspellForms::parse(aff);
    if (forms) {
        forms->expand(dic, [&](const std::string& form) { out.insert(form); });
    }
    return out;
}

} // namespace

TEST(HunspellForms, CyrillicConditionsAreMatchedLetterByLetter) {
    // A Ukrainian verb rule: the ending "ватися" after one of four letters becomes "юся" and
    // "ється"; a stem with another letter there takes neither.
    const std::string aff = "SET UTF-8\n"
                            "SFX X Y 2\n"
                            "SFX X ватися юся [ауюя]ватися\n"
                            "SFX X ватися ється [ауюя]ватися\n"
                            "SFX A Y 1\n"
                            "SFX A 0 у .\n";
    const auto forms = formsOf(aff, "3\nзапізнюватися/X\nпереживатися/X\nфайл/A\n");
    EXPECT_TRUE(forms.contains("запізнюватися"));
    EXPECT_TRUE(forms.contains("запізнююся"));
    EXPECT_TRUE(forms.contains("запізнюється"));
    EXPECT_TRUE(forms.contains("файлу"));
    EXPECT_TRUE(forms.contains("переживатися"));
    EXPECT_FALSE(forms.contains("пережиюся")); // "и" before "ватися" is not one of the four
    EXPECT_EQ(forms.size(), 6u);
}

TEST(HunspellForms, PrefixesCombineWithSuffixesWhereBothAllowIt) {
    const std::string aff = "PFX U Y 1\n"
                            "PFX U 0 un .\n"
                            "PFX R N 1\n"
                            "PFX R 0 re .\n"
                            "SFX D Y 2\n"
                            "SFX D 0 ed [^e]\n"
                            "SFX D 0 d e\n"
                            "IGNORE ́\n";
    const auto forms = formsOf(aff, "2\nlock/UDR\nsa\u0301ve/D\tpo:noun\n");
    for (const char* expected : {"lock", "locked", "unlock", "unlocked", "relock", "save", "saved"}) {
        EXPECT_TRUE(forms.contains(expected)) << expected;
    }
    EXPECT_FALSE(forms.contains("relocked")); // "re" does not combine
    EXPECT_FALSE(forms.contains("saveed"));
}

TEST(HunspellForms, AnAffixFileWithoutRulesOrWithLongFlagsIsRefused) {
    EXPECT_FALSE(HunspellForms::parse("SET UTF-8\nTRY abc\n"));
    EXPECT_FALSE(HunspellForms::parse("FLAG long\nSFX Aa Y 1\nSFX Aa 0 s .\n"));
}
