// SPDX-License-Identifier: GPL-3.0-or-later
// Converting selected text on the in-memory desktop with the shipped rules file.

#include "../../TempHome.h"
#include "Keyvane/correction/ConfigStore.h"
#include "Keyvane/shortcuts/SelectionConverter.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {

struct Desk {
    TempHome home;
    FakePlatform platform;
    std::unique_ptr<RulesEngine> engine;
    PendingSteps steps{platform};

    explicit Desk(const std::string& app = "org.example.editor") {
        home.write(".local/share/keyvane/user_preferences.json",
                   R"({"active_languages": ["en", "ru", "uk"]})");
        engine = std::make_unique<RulesEngine>(*ConfigStore::loadConfiguration());
        platform.activate({app, app, std::nullopt, ""});
    }
    std::optional<std::string> clipboard(ClipboardKind kind = ClipboardKind::clipboard) {
        return platform.clipboardContents(kind).text();
    }
    bool posted(std::uint16_t key, bool command, bool shift) const {
        return std::any_of(platform.posted.begin(), platform.posted.end(), [&](const SyntheticKeyEvent& e) {
            return e.keyCode == key && e.controlHeld == command && e.shiftHeld == shift &&
                   e.userData == syntheticEventMarker;
        });
    }
};

} // namespace

TEST(SelectionConversion, PastesTheConversionAndGivesTheClipboardBack) {
    Desk desk;
    desk.platform.setClipboardContents(ClipboardContents::ofText("keep me"), ClipboardKind::clipboard);
    desk.platform.selectedText = "vbh";
    SelectionConverter::convertSelection(desk.platform, *desk.engine, desk.steps, /*learningMode=*/true);
    EXPECT_TRUE(desk.posted(KeyCode::c, true, false));
    desk.platform.advance(0.1);
    EXPECT_TRUE(desk.posted(KeyCode::v, true, false));
    EXPECT_EQ(desk.clipboard(), "мир") << "the paste takes the converted text";
    desk.platform.advance(0.2);
    EXPECT_EQ(desk.clipboard(), "keep me");
    desk.platform.advance(2.0);
    EXPECT_EQ(desk.platform.currentLayout()->language, Language::ru);
    // Learned: the engine now corrects the word by itself.
    auto overrides = nlohmann::json::parse(desk.home.read(".local/share/keyvane/manual_overrides.json"));
    EXPECT_EQ(overrides["exact_pairs"]["vbh"], "мир");
    EXPECT_EQ(overrides["exact_pairs_meta"]["vbh"], nlohmann::json({{"src", "en"}, {"dst", "ru"}}));
    EXPECT_EQ(desk.engine->evaluate("vbh", "", false, std::nullopt, std::nullopt).reason,
              DecisionReason::exactSeedPair);
}

TEST(SelectionConversion, LearningTakesOnlyTheWordItsKeysType) {
    // "vbh," is "мирб" key for key: the comma is a letter of the Russian layout. Whatever the
    // conversion shows, "vbh" must never be learned as "мирб", nor ",skj" (было) as "skj".
    Desk desk;
    desk.platform.selectedText = "vbh, ,skj";
    SelectionConverter::convertSelection(desk.platform, *desk.engine, desk.steps, /*learningMode=*/true);
    desk.platform.advance(2.0);
    auto overrides = nlohmann::json::parse(desk.home.read(".local/share/keyvane/manual_overrides.json"));
    for (const char* typed : {"vbh", "skj", ",skj", "vbh,"}) {
        if (overrides["exact_pairs"].contains(typed)) {
            const std::string learned = overrides["exact_pairs"][typed];
            EXPECT_EQ(desk.engine->mapToken(typed, LayoutDirection::enToRu), learned) << typed;
        }
    }
    EXPECT_NE(desk.engine->evaluate("vbh", "", false, std::nullopt, std::nullopt).correctedToken, "мирб");
}

TEST(SelectionConversion, AClipboardWithoutTextIsRestoredWholeAndNothingSelectedLeavesItAlone) {
    Desk desk;
    const ClipboardContents image{{{"image/png", std::string("\x89PNG\r\n", 6)}}};
    desk.platform.setClipboardContents(image, ClipboardKind::clipboard);
    desk.platform.selectedText = "ghbdsn";
    SelectionConverter::convertSelection(desk.platform, *desk.engine, desk.steps, false, "uk");
    desk.platform.advance(0.1);
    EXPECT_EQ(desk.clipboard(), "привіт");
    desk.platform.advance(0.2);
    EXPECT_EQ(desk.platform.clipboardContents(ClipboardKind::clipboard), image);
    // Learning mode off: nothing written.
    EXPECT_EQ(desk.home.read(".local/share/keyvane/manual_overrides.json").find("ghbdsn"), std::string::npos);

    Desk nothing; // nothing selected: the clipboard and the text are left alone
    nothing.platform.setClipboardContents(ClipboardContents::ofText("keep me"), ClipboardKind::clipboard);
    SelectionConverter::convertSelection(nothing.platform, *nothing.engine, nothing.steps, true);
    nothing.platform.advance(1.0);
    EXPECT_FALSE(nothing.posted(KeyCode::v, true, false));
    EXPECT_EQ(nothing.clipboard(), "keep me");
}

TEST(SelectionConversion, ATerminalsSelectionIsReplacedOnlyWhereItWasJustTyped) {
    // A terminal pastes at its cursor, never over the selection: pasting would append.
    Desk typed("xterm"); // "echo ghbdtn" was just typed and "ghbdtn" selected: it ends the line
    typed.platform.setClipboardContents(ClipboardContents::ofText("ghbdtn"), ClipboardKind::primary);
    SelectionConverter::convertSelection(typed.platform, *typed.engine, typed.steps, false, "echo ghbdtn");
    typed.platform.advance(1.0);
    EXPECT_FALSE(std::any_of(typed.platform.posted.begin(), typed.platform.posted.end(),
                             [](const SyntheticKeyEvent& e) { return e.controlHeld || e.shiftHeld; }))
        << "no Control+C (it would interrupt the program), no paste";
    EXPECT_EQ(typed.platform.typedText("echo ghbdtn"), "echo привет");

    Desk elsewhere("xterm"); // selected in the program's output: the conversion waits on the clipboard
    elsewhere.platform.setClipboardContents(ClipboardContents::ofText("keep me"), ClipboardKind::clipboard);
    elsewhere.platform.setClipboardContents(ClipboardContents::ofText("ghbdtn vbh"), ClipboardKind::primary);
    SelectionConverter::convertSelection(elsewhere.platform, *elsewhere.engine, elsewhere.steps, false,
                                         "echo ");
    elsewhere.platform.advance(1.0);
    EXPECT_TRUE(elsewhere.platform.posted.empty()) << "nothing is typed at the cursor";
    EXPECT_EQ(elsewhere.clipboard(), "привет мир");
    EXPECT_EQ(elsewhere.clipboard(ClipboardKind::primary), "ghbdtn vbh");
    EXPECT_TRUE(SelectionConverter::isTerminal("org.gnome.Terminal"));
    EXPECT_FALSE(SelectionConverter::isTerminal("org.example.editor"));
}
