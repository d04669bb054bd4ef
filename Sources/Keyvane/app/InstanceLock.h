// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace keyvane {

// The one copy of Keyvane per user and display, held as a lock on a file under the user's own
// state directory, where no other user can create, replace or hold anything: a socket directory
// another user squats in /tmp, or a runtime directory too long for a socket path, takes away the
// requests from later launches but never lets a second copy correct every word twice.
class InstanceLock {
public:
    enum class Outcome {
        taken,      // this is the one copy
        heldByCopy, // another copy of this user runs on the display
        unavailable // the lock file cannot be opened (the reason is in `error`)
    };
    struct Attempt {
        Outcome outcome;
        std::unique_ptr<InstanceLock> lock; // while it lives, the copy is the one
        std::string error;
    };

    // Tries to become the one copy on the display (its name as the X server gives it).
    static Attempt take(const std::string& display);
    // The lock file's path for the display.
    static std::string path(const std::string& display);

    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    explicit InstanceLock(int descriptor)
        : descriptor_(descriptor) {}
    int descriptor_;
};

} // namespace keyvane
