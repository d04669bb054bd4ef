// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/InstanceCommand.h"

#include "Keyvane/app/InstanceChannel.h"
#include "Keyvane/correction/AppState.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace keyvane {

namespace {

// "15m", "90s", "1h" or a bare number of minutes; nothing when malformed, zero, or over a day.
std::optional<double> parseDuration(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    double unit = 60;
    std::string number = text;
    switch (text.back()) {
    case 's':
        unit = 1;
        number.pop_back();
        break;
    case 'm':
        unit = 60;
        number.pop_back();
        break;
    case 'h':
        unit = 3600;
        number.pop_back();
        break;
    default: break;
    }
    double value = 0;
    const char* end = number.data() + number.size();
    auto [rest, status] = std::from_chars(number.data(), end, value);
    if (number.empty() || status != std::errc() || rest != end || !std::isfinite(value) || !(value > 0)) {
        return std::nullopt;
    }
    const double seconds = value * unit;
    if (!(seconds <= InstanceCommand::longestPauseSeconds)) {
        return std::nullopt;
    }
    return seconds;
}

std::string describe(double seconds) {
    char text[64];
    if (std::fmod(seconds, 60) == 0) {
        std::snprintf(text, sizeof text, "%g minute%s", seconds / 60, seconds == 60 ? "" : "s");
    } else {
        std::snprintf(text, sizeof text, "%g second%s", seconds, seconds == 1 ? "" : "s");
    }
    return text;
}

} // namespace

std::optional<InstanceCommand> InstanceCommand::parse(const std::vector<std::string>& args,
                                                      std::string* error) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--resume") {
            return InstanceCommand{Kind::resume, 0};
        }
        if (args[i] == "--pause-until-restart") {
            return InstanceCommand{Kind::pauseUntilRestart, 0};
        }
        if (args[i] == "--pause") {
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                return InstanceCommand{Kind::pause, defaultPauseSeconds};
            }
            if (auto seconds = parseDuration(args[i + 1])) {
                return InstanceCommand{Kind::pause, *seconds};
            }
            if (error != nullptr) {
                *error =
                    "Error: --pause takes a duration such as 15m, 90s or 1h (more than zero, at most 24h), "
                    "got \"" +
                    InstanceChannel::plainText(args[i + 1]) + "\""; // one line, no terminal escapes
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string InstanceCommand::line() const {
    switch (kind) {
    case Kind::pause: {
        char text[48];
        std::snprintf(text, sizeof text, "pause %.17g", seconds);
        return text;
    }
    case Kind::pauseUntilRestart: return "pause-until-restart";
    case Kind::resume: return "resume";
    }
    return "resume";
}

std::optional<InstanceCommand> InstanceCommand::fromLine(const std::string& line) {
    if (line == "resume") {
        return InstanceCommand{Kind::resume, 0};
    }
    if (line == "pause-until-restart") {
        return InstanceCommand{Kind::pauseUntilRestart, 0};
    }
    if (line.rfind("pause ", 0) == 0) {
        if (auto seconds = parseDuration(line.substr(6) + "s")) {
            return InstanceCommand{Kind::pause, *seconds};
        }
    }
    return std::nullopt;
}

std::string InstanceCommand::applyTo(AppState& appState) const {
    switch (kind) {
    case Kind::pause: appState.pause(seconds); return "Keyvane is paused for " + describe(seconds) + ".";
    case Kind::pauseUntilRestart: appState.pauseIndefinitely(); return "Keyvane is paused until it restarts.";
    case Kind::resume: appState.resume(); return "Keyvane corrects words again.";
    }
    return {};
}

} // namespace keyvane
