// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <functional>

namespace keyvane {

// Keeps what reaches the application in the order it was sent. An input method reaches a field two
// ways: as keys (forwarded, or passed through untouched) and as text (commits, deletions of the
// surrounding text), and the two may overtake each other on the way: GTK's modules put a forwarded
// key back in the toolkit's event queue but apply a commit at once, and XIM clients put both back
// in their X event queue in the order they are read. So a step on one way waits until the last
// step on the other way is `gap` old, and everything after it waits behind it, the user's own keys
// included: those are held and handled again, in order, once what came before them has gone.
class DeliveryOrder {
public:
    enum class Way {
        key,    // a key the application reads itself
        text,   // text put into the field for it
        replay, // a held key of the user's, to be handled again as if it came now
    };

    DeliveryOrder(std::function<double()> now, std::function<void(double, std::function<void()>)> schedule,
                  double gap);

    // How long a key waits after the key before it (none unless set): an X client reading keys
    // through XIM takes a forwarded key for its own only when it came alone, and sends the others
    // back to the input method as if typed.
    void setKeySpacing(double spacing) { keySpacing_ = spacing; }

    // Whether a step on this way would have to wait now.
    bool mustWait(Way way) const;
    // Whether steps are waiting: a key the user types now is held behind them (as a replay).
    bool busy() const { return !waiting_.empty(); }

    // Runs the step now, or later in its turn.
    void send(Way way, std::function<void()> step);
    // A step that went by itself now (a key the framework let pass to the application).
    void went(Way way);

    // Runs what waits at once, in order (the field is about to lose the focus), or forgets it (the
    // field is gone).
    void flush();
    void clear();

private:
    struct Step {
        Way way;
        std::function<void()> run;
    };
    double waitFor(Way way) const;
    void drain();
    void runStep(Step step);

    std::function<double()> now_;
    std::function<void(double, std::function<void()>)> schedule_;
    double gap_;
    double keySpacing_ = 0;
    std::deque<Step> waiting_;
    Way lastWay_ = Way::text;
    double lastAt_ = -1e9;
    bool draining_ = false;
    bool timerArmed_ = false;
    bool replaying_ = false;
    std::size_t insertAt_ = 0; // while a replay runs: where the steps it sends go
    bool flushing_ = false;
};

} // namespace keyvane
