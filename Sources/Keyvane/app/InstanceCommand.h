// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace keyvane {

class AppState;

// A request to the running copy of Keyvane on this display, given as options of a second launch
// ("--pause [duration]", "--pause-until-restart", "--resume"), so that correction can be paused from a
// terminal or a desktop shortcut. The request travels as one text line over the instance socket.
struct InstanceCommand {
    enum class Kind { pause, pauseUntilRestart, resume };
    static constexpr double defaultPauseSeconds = 15 * 60;
    static constexpr double longestPauseSeconds = 24 * 60 * 60;

    Kind kind = Kind::resume;
    double seconds = defaultPauseSeconds; // only for a timed pause

    // The request the arguments hold; nothing when they hold none, and nothing with a one-line
    // message in `error` for a malformed one ("--pause soon").
    static std::optional<InstanceCommand> parse(const std::vector<std::string>& args,
                                                std::string* error = nullptr);

    std::string line() const;
    static std::optional<InstanceCommand> fromLine(const std::string& line);

    // Carries the request out on the running coordinator; returns the sentence reported to the sender.
    std::string applyTo(AppState& appState) const;
};

} // namespace keyvane
