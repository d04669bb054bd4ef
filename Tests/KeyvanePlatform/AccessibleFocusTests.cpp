// SPDX-License-Identifier: GPL-3.0-or-later
// What is known of the focused field, from what the accessibility bus and the window system tell,
// and above all what is not known yet: late answers, missing answers, programs that never tell.

#include "KeyvanePlatform/atspi/AccessibleFocus.h"
#include "KeyvanePlatform/atspi/ToolkitProbe.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

constexpr long long editor = 100; // a Qt program on the bus
constexpr long long terminal = 200;
const double focusWait = AccessibleFocus::focusEventWait;

// The bus with the editor on it, every connection known, the editor's window in front.
AccessibleFocus editorInFront(double now = 0) {
    AccessibleFocus focus;
    focus.joined(":1.5", editor);
    focus.connectionsKnown();
    focus.windowFocused(editor, ProgramKind::tellsFields, now);
    return focus;
}

} // namespace

TEST(AccessibleFocus, NothingIsKnownUntilTheWindowAndTheBusHaveTold) {
    AccessibleFocus focus;
    EXPECT_EQ(focus.field(0), FocusedField::asking) << "at start, before the window system said anything";
    focus.windowFocused(editor, ProgramKind::tellsFields, 0);
    EXPECT_EQ(focus.field(0), FocusedField::asking) << "the bus's connections have not said who they are";
    focus.joined(":1.5", editor);
    focus.connectionsKnown();
    EXPECT_EQ(focus.field(0), FocusedField::asking) << "on the bus, but its focus not told yet";
    focus.focused(":1.5", "/field/1", 0.01);
    EXPECT_EQ(focus.field(0.01), FocusedField::asking) << "the role question is not answered yet";
    focus.roleTold(":1.5", "/field/1", true);
    EXPECT_EQ(focus.field(0.02), FocusedField::password);
}

TEST(AccessibleFocus, AFieldWhoseProgramNeverAnswersStaysOffLimits) {
    AccessibleFocus focus = editorInFront();
    focus.focused(":1.5", "/field/1", 0.01);
    EXPECT_EQ(focus.field(5), FocusedField::asking) << "however late the answer";
    focus.roleTold(":1.5", "/field/1", std::nullopt);
    EXPECT_EQ(focus.field(5), FocusedField::untold);
    // A late answer about a field that no longer has the focus changes nothing.
    focus.focused(":1.5", "/field/2", 6);
    focus.roleTold(":1.5", "/field/1", false);
    EXPECT_EQ(focus.field(6), FocusedField::asking);
    focus.roleTold(":1.5", "/field/2", false);
    EXPECT_EQ(focus.field(6), FocusedField::ordinary);
    focus.focused(":1.5", "/field/2", 7); // GTK tells of every focus twice
    EXPECT_EQ(focus.field(7), FocusedField::ordinary) << "the same field told again stays what it was";
}

TEST(AccessibleFocus, AProgramThatSaysNothingOfItsFocusIsSearched) {
    AccessibleFocus focus = editorInFront(10);
    EXPECT_FALSE(focus.searchWanted(10)) << "its own focus event is waited for first";
    EXPECT_EQ(focus.nextChange(10), 10 + focusWait);
    EXPECT_TRUE(focus.searchWanted(10 + focusWait));
    EXPECT_EQ(focus.activeConnections(), std::vector<std::string>{":1.5"});
    const int search = focus.searchStarted();
    EXPECT_FALSE(focus.searchWanted(11)) << "one search at a time";
    EXPECT_EQ(focus.field(11), FocusedField::asking);
    focus.searchFoundNothing(search, 11);
    EXPECT_EQ(focus.field(11), FocusedField::untold) << "found no focused field: not read";
    // Searched again a few times (Chromium shows its page a moment after it is first asked).
    double now = 11;
    for (int again = 1; again < AccessibleFocus::searchLimit; ++again) {
        EXPECT_FALSE(focus.searchWanted(now));
        now = *focus.nextChange(now);
        ASSERT_TRUE(focus.searchWanted(now));
        focus.searchFoundNothing(focus.searchStarted(), now);
        EXPECT_EQ(focus.field(now), FocusedField::untold);
    }
    EXPECT_FALSE(focus.nextChange(now).has_value()) << "then it waits for the program to tell";
    focus.focused(":1.5", "/field/3", 12);
    focus.roleTold(":1.5", "/field/3", false);
    EXPECT_EQ(focus.field(12), FocusedField::ordinary) << "until the program tells of its focus";

    AccessibleFocus found = editorInFront(10);
    const int second = found.searchStarted();
    found.searchFound(second, ":1.5", "/field/1", true, 10.5);
    EXPECT_EQ(found.field(10.5), FocusedField::password);
}

TEST(AccessibleFocus, AnAnswerForAnEarlierFocusDoesNotCount) {
    AccessibleFocus focus = editorInFront(0);
    const int old = focus.searchStarted();
    focus.windowFocused(editor, ProgramKind::tellsFields, 1); // another window of the editor, a dialog
    focus.searchFound(old, ":1.5", "/main/field", false, 1.1);
    EXPECT_EQ(focus.field(1.1), FocusedField::asking) << "the search looked at the window before";
    focus.searchFoundNothing(old, 1.2);
    EXPECT_EQ(focus.field(1.1), FocusedField::asking);
}

TEST(AccessibleFocus, WhatAProgramToldBeforeItsWindowLostTheFocusIsAskedAgain) {
    AccessibleFocus focus = editorInFront(0);
    focus.focused(":1.5", "/main/field", 0.1);
    focus.roleTold(":1.5", "/main/field", false);
    EXPECT_EQ(focus.field(0.2), FocusedField::ordinary);
    // A password dialog of the same program opens: its window has the keyboard before its field
    // says so.
    focus.windowFocused(editor, ProgramKind::tellsFields, 1);
    EXPECT_EQ(focus.field(1), FocusedField::asking);
    focus.focused(":1.5", "/dialog/password", 1.05);
    focus.roleTold(":1.5", "/dialog/password", true);
    EXPECT_EQ(focus.field(1.1), FocusedField::password);
}

TEST(AccessibleFocus, AfterATabOrAClickTheProgramHasTimeToTellOfAMove) {
    AccessibleFocus focus = editorInFront(0);
    focus.focused(":1.5", "/field/1", 0.1);
    focus.roleTold(":1.5", "/field/1", false);
    focus.focusMayMove(1);
    EXPECT_EQ(focus.field(1.01), FocusedField::asking);
    EXPECT_EQ(focus.nextChange(1.01), 1 + focusWait);
    EXPECT_EQ(focus.field(1 + focusWait), FocusedField::ordinary) << "no move told: the field stayed";
    focus.focusMayMove(2);
    focus.focused(":1.5", "/field/2", 2.05);
    focus.roleTold(":1.5", "/field/2", true);
    EXPECT_EQ(focus.field(2.06), FocusedField::password) << "a move told at once counts at once";
    // Losing the focus without telling where it went.
    focus.unfocused(":1.5", "/field/2", 3);
    EXPECT_EQ(focus.field(3), FocusedField::asking);
}

TEST(AccessibleFocus, ProgramsOffTheBusFollowAnExplicitRule) {
    AccessibleFocus focus;
    focus.joined(":1.5", editor);
    focus.connectionsKnown();
    focus.windowFocused(terminal, ProgramKind::silent, 0);
    EXPECT_EQ(focus.field(0), FocusedField::unknown) << "xterm cannot tell: the user's choice decides";
    focus.windowFocused(std::nullopt, ProgramKind::tellsFields, 1);
    EXPECT_EQ(focus.field(1), FocusedField::unknown) << "a window that does not say whose it is";
    focus.windowFocused(300, ProgramKind::tellsFields, 2);
    EXPECT_EQ(focus.field(2), FocusedField::untold) << "a Qt program started before the switch was on";
    focus.joined(":1.9", 300);
    EXPECT_EQ(focus.field(2.1), FocusedField::asking) << "it joined: now it is asked";
    focus.left(":1.9");
    EXPECT_EQ(focus.field(2.2), FocusedField::untold) << "gone from the bus, and what it said with it";
}

TEST(ToolkitProbe, ProgramsAreToldByTheirToolkitsLibraries) {
    const auto line = [](const char* path) {
        return std::string("7f0000000000-7f0000001000 r-xp 00000000 08:01 42 ") + path + "\n";
    };
    EXPECT_EQ(ToolkitProbe::kindOfMaps(line("/usr/lib/x86_64-linux-gnu/libQt6Gui.so.6.4.2")),
              ProgramKind::tellsFields);
    EXPECT_EQ(ToolkitProbe::kindOfMaps(line("/usr/lib/x86_64-linux-gnu/libgtk-3.so.0.2406.32")),
              ProgramKind::tellsFields);
    EXPECT_EQ(ToolkitProbe::kindOfMaps(line("/usr/lib/firefox-esr/libxul.so")), ProgramKind::tellsFields);
    EXPECT_EQ(
        ToolkitProbe::kindOfMaps(line("/usr/bin/xterm") + line("/usr/lib/x86_64-linux-gnu/libXaw.so.7")),
        ProgramKind::silent);
    EXPECT_EQ(ToolkitProbe::kindOf(-1), ProgramKind::silent) << "a process that cannot be read";
}
