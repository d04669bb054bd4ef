// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/OwnKeyPresses.h"

#include <utility>

namespace keyvane {
namespace {

// A posted press that has not come back within this time is forgotten.
constexpr double pendingLifetime = 2.0;

} // namespace

void OwnKeyPresses::posted(std::vector<unsigned int> presses, double now) {
    forgetOld(now);
    if (quiet_ == 0 && presses.empty()) {
        return; // nothing will come back
    }
    posts_.push_back({std::move(presses), now});
}

bool OwnKeyPresses::take(unsigned int keycode, double now) {
    forgetOld(now);
    if (quiet_ != 0 && keycode == quiet_) {
        // The next post begins; what did not come back of the one before never will.
        if (started_ && !posts_.empty()) {
            posts_.pop_front();
        }
        next_ = 0;
        started_ = !posts_.empty();
        if (started_ && posts_.front().presses.empty()) {
            posts_.pop_front();
            started_ = false;
        }
        return true;
    }
    if (posts_.empty() || (quiet_ != 0 && !started_) || posts_.front().presses[next_] != keycode) {
        return false;
    }
    if (++next_ == posts_.front().presses.size()) {
        posts_.pop_front();
        next_ = 0;
        started_ = false;
        // Without a quiet key the posts run together: the next one is awaited at once.
    }
    return true;
}

void OwnKeyPresses::forgetOld(double now) {
    while (!posts_.empty() && now - posts_.front().postedAt > pendingLifetime) {
        posts_.pop_front();
        next_ = 0;
        started_ = false;
    }
}

} // namespace keyvane
