// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/atspi/AccessibleFocus.h"

namespace keyvane {

void AccessibleFocus::moved(double now) {
    movedAt_ = now;
    ++search_; // a search under way answers for the focus before the move
    searching_ = false;
    failedSearches_ = 0;
}

void AccessibleFocus::windowFocused(std::optional<long long> pid, ProgramKind kind, double now) {
    windowKnown_ = true;
    activePid_ = pid;
    activeKind_ = kind;
    moved(now);
}

void AccessibleFocus::joined(const std::string& connection, long long pid) {
    connections_[connection] = pid;
}

void AccessibleFocus::left(const std::string& connection) {
    connections_.erase(connection);
    programs_.erase(connection);
}

void AccessibleFocus::focused(const std::string& connection, const std::string& path, double now) {
    Program& program = programs_[connection];
    if (program.path == path && !program.path.empty()) {
        program.toldAt = now; // the same field told again (toolkits repeat themselves): still what it was
        return;
    }
    program = Program{path, std::nullopt, false, now};
}

void AccessibleFocus::unfocused(const std::string& connection, const std::string& path, double now) {
    auto it = programs_.find(connection);
    if (it == programs_.end() || it->second.path != path) {
        return;
    }
    it->second = Program{};
    auto process = connections_.find(connection);
    if (process != connections_.end() && process->second == activePid_) {
        moved(now); // the focus is somewhere else in the program now, not told where yet
    }
}

void AccessibleFocus::roleTold(const std::string& connection, const std::string& path,
                               std::optional<bool> password) {
    auto it = programs_.find(connection);
    if (it == programs_.end() || it->second.path != path) {
        return; // the focus moved on meanwhile
    }
    it->second.password = password;
    it->second.unanswered = !password.has_value();
}

bool AccessibleFocus::activeOnBus() const {
    for (const auto& [connection, pid] : connections_) {
        if (pid == activePid_) {
            return true;
        }
    }
    return false;
}

const AccessibleFocus::Program* AccessibleFocus::activeProgram() const {
    const Program* latest = nullptr;
    for (const auto& [connection, program] : programs_) {
        auto process = connections_.find(connection);
        if (process == connections_.end() || process->second != activePid_) {
            continue;
        }
        if (latest == nullptr || program.toldAt > latest->toldAt) {
            latest = &program;
        }
    }
    return latest;
}

std::vector<std::string> AccessibleFocus::activeConnections() const {
    std::vector<std::string> found;
    for (const auto& [connection, pid] : connections_) {
        if (pid == activePid_) {
            found.push_back(connection);
        }
    }
    return found;
}

std::optional<double> AccessibleFocus::searchDue() const {
    if (!windowKnown_ || !activePid_ || !connectionsKnown_ || !activeOnBus() || searching_ ||
        failedSearches_ >= searchLimit) {
        return std::nullopt;
    }
    const Program* program = activeProgram();
    if (fresh(program) && !program->path.empty()) {
        return std::nullopt;
    }
    return failedSearches_ == 0 ? movedAt_ + focusEventWait : lastSearchEnded_ + searchRetryDelay;
}

bool AccessibleFocus::searchWanted(double now) const {
    const auto due = searchDue();
    return due && now >= *due;
}

int AccessibleFocus::searchStarted() {
    searching_ = true;
    return ++search_;
}

void AccessibleFocus::searchFound(int search, const std::string& connection, const std::string& path,
                                  bool password, double now) {
    if (search != search_) {
        return;
    }
    searching_ = false;
    auto it = programs_.find(connection);
    if (it != programs_.end() && fresh(&it->second) && !it->second.path.empty()) {
        return; // a focus event told of it meanwhile, which is newer
    }
    programs_[connection] = Program{path, password, false, now};
}

void AccessibleFocus::searchFoundNothing(int search, double now) {
    if (search != search_) {
        return;
    }
    searching_ = false;
    ++failedSearches_;
    lastSearchEnded_ = now;
}

FocusedField AccessibleFocus::field(double now) const {
    if (!windowKnown_) {
        return FocusedField::asking;
    }
    if (!activePid_) {
        return FocusedField::unknown; // a window that does not say whose it is cannot tell its fields
    }
    if (!connectionsKnown_) {
        return FocusedField::asking;
    }
    if (!activeOnBus()) {
        return activeKind_ == ProgramKind::tellsFields ? FocusedField::untold : FocusedField::unknown;
    }
    const Program* program = activeProgram();
    if (fresh(program) && !program->path.empty()) {
        if (program->unanswered) {
            return FocusedField::untold;
        }
        const bool doubted = program->toldAt < doubtSince_ && now < doubtSince_ + focusEventWait;
        if (!program->password || doubted) {
            return FocusedField::asking;
        }
        return *program->password ? FocusedField::password : FocusedField::ordinary;
    }
    return failedSearches_ > 0 ? FocusedField::untold : FocusedField::asking;
}

std::optional<double> AccessibleFocus::nextChange(double now) const {
    const Program* program = activeProgram();
    if (windowKnown_ && activePid_ && connectionsKnown_ && activeOnBus() && fresh(program) &&
        !program->path.empty()) {
        const double doubtEnds = doubtSince_ + focusEventWait;
        return program->toldAt < doubtSince_ && doubtEnds > now ? std::optional<double>(doubtEnds)
                                                                : std::nullopt;
    }
    const auto due = searchDue();
    return due && *due > now ? due : std::nullopt;
}

} // namespace keyvane
