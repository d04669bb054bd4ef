// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// Whether a program's toolkit tells the accessibility bus what its fields are (GTK, Qt, Chromium
// and Electron, Firefox) or not (xterm and other plain X programs).
enum class ProgramKind { tellsFields, silent };

// What the accessibility bus has told of the field that has the keyboard focus, and, as
// important, what it has not told yet. Decides the answer only; the watcher feeds it what the bus
// and the window system say and asks the bus what it wants to know. Times are in seconds on any
// clock that only moves forward.
//
// The rules, for the program whose window has the keyboard focus:
// - a program that is on the bus has told nothing of its focus until it sends a focus event after
//   the last window change or a search of its objects finds the focused one; meanwhile the field
//   is being asked about (off limits); after a Tab or a click in the window, the same for as long
//   as the program may take to tell of a move;
// - a search that finds no focused object (made again a few times), or a role question left
//   unanswered, leaves the field untold (off limits) until the program sends a focus event;
// - a program that can tell its fields but is not on the bus (it started before the desktop's
//   accessibility switch was on, or has not joined yet) is untold (off limits);
// - a program that cannot tell (xterm, a window without a process) is unknown: the user's choice
//   decides;
// - until every connection of the bus has said which process it is, nothing is known.
class AccessibleFocus {
public:
    // How long after a focus move the program's own focus event is waited for before its
    // objects are searched.
    static constexpr double focusEventWait = 0.3;
    // A search that found nothing is made again this long after, up to this many searches in all:
    // a program may show its objects only a moment after it was first asked (Chromium).
    static constexpr double searchRetryDelay = 0.5;
    static constexpr int searchLimit = 4;

    // The window with the keyboard focus changed, to one of this process (nothing when the window
    // does not say) and of this kind.
    void windowFocused(std::optional<long long> pid, ProgramKind kind, double now);
    // The focus may have moved inside the same window (a Tab, a click): what the program told
    // last stands once it has had time to tell of a move and has not.
    void focusMayMove(double now) { doubtSince_ = now; }

    // A connection of the accessibility bus and the process behind it; the connection is gone.
    void joined(const std::string& connection, long long pid);
    void left(const std::string& connection);
    // Every connection present at start has said which process it is.
    void connectionsKnown() { connectionsKnown_ = true; }

    // A field of `connection` took the focus, or lost it.
    void focused(const std::string& connection, const std::string& path, double now);
    void unfocused(const std::string& connection, const std::string& path, double now);
    // The answer to the role question of a focused field: whether it is a password field, or
    // nothing when the program did not answer.
    void roleTold(const std::string& connection, const std::string& path, std::optional<bool> password);

    // The search of the active process's objects: whether one should start now (the focus event
    // is overdue and no search runs), its start, and its end with the focused field found in a
    // connection (and whether it is a password field), or with nothing found.
    // A search's answer counts only for the focus it was started for: its number tells.
    bool searchWanted(double now) const;
    std::vector<std::string> activeConnections() const;
    int searchStarted();
    void searchFound(int search, const std::string& connection, const std::string& path, bool password,
                     double now);
    void searchFoundNothing(int search, double now);

    FocusedField field(double now) const;
    // When the answer will change by itself (a wait ending), if it will.
    std::optional<double> nextChange(double now) const;

private:
    struct Program {
        std::string path; // the focused object, when one is known
        std::optional<bool> password;
        bool unanswered = false; // the role question got no answer
        double toldAt = -1;      // when the focus event (or search) told of it
    };
    bool activeOnBus() const;
    // The active process's connection that told of its focus last.
    const Program* activeProgram() const;
    bool fresh(const Program* program) const { return program != nullptr && program->toldAt >= movedAt_; }
    void moved(double now);
    // When the next search should start, if one should.
    std::optional<double> searchDue() const;

    std::map<std::string, long long> connections_; // connection → process
    std::map<std::string, Program> programs_;      // connection → its focus
    bool connectionsKnown_ = false;
    std::optional<long long> activePid_;
    ProgramKind activeKind_ = ProgramKind::silent;
    double movedAt_ = 0;     // the last window change
    double doubtSince_ = -1; // the last Tab or click
    int search_ = 0;         // the number of the latest search, or of the focus move that ended it
    bool searching_ = false; // a search of the active process runs
    int failedSearches_ = 0; // since the last window change
    double lastSearchEnded_ = 0;
    bool windowKnown_ = false; // the window system has said which window has the focus
};

} // namespace keyvane
