// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>

namespace keyvane {

// Keeps what reaches the application in the order it was sent. An input method reaches a field two
// ways: as keys (forwarded, or passed through untouched) and as text (commits, deletions of the
// surrounding text), and the two may overtake each other on the way: GTK's modules put a forwarded
// key back in the toolkit's event queue but apply a commit at once, and GTK 4 on Wayland takes in
// keys at its next frame but text at once. So a step on one way waits until the last
// step on the other way is `gap` old, and everything after it waits behind it, the user's own keys
// included: those are held and handled again, in order, once what came before them has gone.
class DeliveryOrder {
public:
    enum class Way {
        key,      // a key the application reads itself
        release,  // a key's release: it changes no text, so it waits only for its turn
        text,     // text put into the field for it
        replay,   // a held key of the user's, to be handled again as if it came now
        usersKey, // a held key of the user's, sent on to the application as typed: a key, but
                  // not one of the input method's own (see setOwnSpacing)
    };

    DeliveryOrder(std::function<double()> now, std::function<void(double, std::function<void()>)> schedule,
                  double gap);

    // How long every step waits after the one before it, whatever its way (none unless set): an X
    // client reading keys through XIM takes a forwarded key or a commit for the input method's
    // only when it came alone, and sends the others back as if typed, where a commit is lost. A
    // held key handled again counts as a step: fcitx5 may commit what it types.
    void setSpacing(double spacing) { spacing_ = spacing; }
    // How long each key or text the input method sends itself waits after the one before it (none
    // unless set): GNOME Shell 43 passes on one text per update of Wayland's text-input (of two
    // sent at once only the last arrives) and takes a forwarded key in later than text. The user's
    // own keys are not held for it unless such steps wait, so a fast typist's keys reach the field
    // as fast as they come.
    void setOwnSpacing(double spacing) { ownSpacing_ = spacing; }

    // Whether the field tells its text after it took in keys (its surrounding text): then text
    // after keys also waits until the field has told its text since the last key, up to
    // `fieldWait`. A client busy drawing (GTK 4 the first time it shows a script) takes in keys
    // late, but text at once.
    void setFieldTells(bool tells) { fieldTells_ = tells; }
    // The field told its text.
    void fieldTold();

    // What is sent from now on waits for the next turn of the event loop, after the event being
    // handled: fcitx5 puts the commits and keys of a key event into its answer to the client, but
    // sends a deletion at once, and a client that waits for the answer applies it first.
    void later();

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
    double spacing_ = 0;
    double ownSpacing_ = 0;
    double lastOwnAt_ = -1e9; // when the last key or text sent through send() went
    bool fieldTells_ = false;
    bool later_ = false; // waiting for the next turn of the event loop
    // Keys that went to the field since it last told its text. With own spacing (GNOME Shell, where
    // a forwarded key arrives late and a text is lost when another follows too soon) the field
    // tells once for each key and each text, and text waits for all of them.
    int keysUntold_ = 0;
    static constexpr double fieldWait = 0.5;
    std::deque<Step> waiting_;
    Way lastWay_ = Way::text;
    double lastAt_ = -1e9;
    bool draining_ = false;
    std::optional<double> timerAt_; // when the earliest timer set runs

    bool replaying_ = false;
    std::size_t insertAt_ = 0; // while a replay runs: where the steps it sends go
    bool flushing_ = false;
};

} // namespace keyvane
