// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/TokenBuffer.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

struct Typist {
    std::vector<EmittedToken> emitted;
    TokenBuffer buffer{[this](const EmittedToken& t) { emitted.push_back(t); }};

    void type(const std::string& text) {
        for (char c : text) {
            if (c == ' ') {
                buffer.process(TokenEvent::boundaryEvent(BoundaryType::space()));
            } else {
                buffer.process(TokenEvent::characterEvent(std::string(1, c)));
            }
        }
    }
};

} // namespace

TEST(TokenBuffer, EmitsEachWordWithItsBoundaryAndNeverAnEmptyWord) {
    Typist t;
    t.type("ghbdtn  vbh ");
    t.buffer.process(TokenEvent::boundaryEvent(BoundaryType::enter()));
    ASSERT_EQ(t.emitted.size(), 2u);
    EXPECT_EQ(t.emitted[0], (EmittedToken{"ghbdtn", BoundaryType::space()}));
    EXPECT_EQ(t.emitted[1].token, "vbh");
    // Punctuation that carries letters stays inside the word.
    t.type("k.,k.");
    t.buffer.process(TokenEvent::boundaryEvent(BoundaryType::punctuationMark("?")));
    ASSERT_EQ(t.emitted.size(), 3u);
    EXPECT_EQ(t.emitted[2], (EmittedToken{"k.,k.", BoundaryType::punctuationMark("?")}));
    EXPECT_NE(t.emitted[2].boundary, BoundaryType::punctuationMark("!"));
}

TEST(TokenBuffer, BackspaceRemovesAWholeCharacterAndResetDiscardsTheWord) {
    Typist t;
    t.buffer.process(TokenEvent::backspace());
    t.type("abc");
    t.buffer.process(TokenEvent::backspace());
    EXPECT_EQ(t.buffer.current(), "ab");
    t.buffer.process(TokenEvent::reset());
    t.type(" ");
    EXPECT_TRUE(t.emitted.empty());

    t.type("xyz");
    t.buffer.process(TokenEvent::characterEvent("ї"));
    t.buffer.process(TokenEvent::backspace());
    EXPECT_EQ(t.buffer.current(), "xyz");
    t.buffer.process(TokenEvent::characterEvent("👍🏽")); // two code points, one character
    t.buffer.process(TokenEvent::backspace());
    t.type(" ");
    ASSERT_EQ(t.emitted.size(), 1u);
    EXPECT_EQ(t.emitted[0].token, "xyz");
}

TEST(TokenBuffer, ConsumerFeedingEventsFromTheCallbackStartsOnAFreshWord) {
    std::vector<std::string> words;
    TokenBuffer* self = nullptr;
    TokenBuffer buffer([&](const EmittedToken& t) {
        words.push_back(t.token);
        if (words.size() == 1) {
            self->process(TokenEvent::characterEvent("x"));
        }
    });
    self = &buffer;
    buffer.process(TokenEvent::characterEvent("a"));
    buffer.process(TokenEvent::boundaryEvent(BoundaryType::tab()));
    EXPECT_EQ(buffer.current(), "x");
}
