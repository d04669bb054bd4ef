// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

namespace keyvane {

// The key presses this program posted through the XTest device and still awaits back from the
// server, told from another XTest client's (an on-screen keyboard, xdotool) even when both press
// the same key at the same time. Every post begins with a press of the quiet key, which no other
// client presses, and goes out in one flush, so the server handles it whole: the presses that
// follow a quiet press, in their order, are this program's; every other press is someone else's.
// Without a quiet key, the oldest awaited press is taken to be the next of ours that comes back.
class OwnKeyPresses {
public:
    explicit OwnKeyPresses(unsigned int quietKeycode = 0)
        : quiet_(quietKeycode) {}

    // One post: its presses (quiet press excluded) in the order they were sent.
    void posted(std::vector<unsigned int> presses, double now);
    // A press that came from the XTest device: whether it is this program's (the quiet key's
    // always is). It is then no longer awaited.
    bool take(unsigned int keycode, double now);

private:
    struct Post {
        std::vector<unsigned int> presses;
        double postedAt;
    };
    void forgetOld(double now);

    unsigned int quiet_;
    std::deque<Post> posts_;
    std::size_t next_ = 0; // the front post's next press
    bool started_ = false; // the front post's quiet press came back
};

} // namespace keyvane
