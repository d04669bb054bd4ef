// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

typedef struct _XDisplay Display;

namespace keyvane {

// Holding the user's keys while a word is replaced: the physical keyboards are grabbed, their key
// events recorded meanwhile, and replayed in order when the hold ends, so that nothing typed
// during the replacement lands in the middle of it.
class KeyHold {
public:
    struct Key {
        unsigned int keycode;
        bool press;
    };

    bool active() const { return active_; }
    // Starts a hold; its number tells a time-out of this hold from one of a later hold.
    long long start();
    bool isCurrent(long long number) const { return active_ && number_ == number; }

    // Grabs every physical keyboard (all slave keyboards but the XTest device) for its key events.
    void grabKeyboards(Display* display, int xtestKeyboard);
    // Gives the keyboards back to their master device.
    void releaseKeyboards(Display* display);
    // From now on the raw presses of the grabbed keyboards wait to be replayed; the event queue
    // holds `queueMark` items that arrived before.
    void arm(std::size_t queueMark);
    std::size_t queueMark() const { return queueMark_; }
    // Whether a raw press of the device waits to be replayed instead of being seen now.
    bool holds(int device) const;
    // A key event of a grabbed keyboard, kept for the replay.
    void record(unsigned int keycode, bool press);
    // Ends the hold: the recorded keys, in their order.
    std::vector<Key> finish();

private:
    bool active_ = false;
    bool armed_ = false;
    long long number_ = 0;
    std::vector<int> devices_;
    std::vector<Key> keys_;
    std::size_t queueMark_ = 0;
};

} // namespace keyvane
