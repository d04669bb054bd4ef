// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <utility>

namespace keyvane {

// A handler's place in one of the platform's lists of handlers, or a step waiting on its main loop:
// while the registration lives, the handler is called (the step runs when due); its destruction
// takes the handler out (the step, if it has not run). An owner that keeps its registrations as
// members needs no guard against being called after it is gone.
class [[nodiscard]] Registration {
public:
    Registration() = default;
    explicit Registration(std::function<void()> undo)
        : undo_(std::move(undo)) {}
    Registration(Registration&& other) noexcept
        : undo_(std::exchange(other.undo_, nullptr)) {}
    Registration& operator=(Registration&& other) noexcept {
        if (this != &other) {
            reset();
            undo_ = std::exchange(other.undo_, nullptr);
        }
        return *this;
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration() { reset(); }

    // Takes the handler out now.
    void reset() {
        if (auto undo = std::exchange(undo_, nullptr)) {
            undo();
        }
    }
    // Lets the handler stay (the step run) whatever becomes of this registration: for one that
    // touches nothing that may go before the platform.
    void detach() { undo_ = nullptr; }

private:
    std::function<void()> undo_;
};

} // namespace keyvane
