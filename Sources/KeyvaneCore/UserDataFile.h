// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace keyvane {

// How a file of the user's (the preferences, the manual overrides) was found on disk.
enum class UserDataState {
    missing,    // no file yet
    loaded,     // read and parsed
    salvaged,   // did not parse: moved aside, and what could be read of it is in `document`
    unreadable, // there, but not readable (permissions, not a regular file): left alone
};

struct UserDataRead {
    UserDataState state = UserDataState::missing;
    nlohmann::json document = nlohmann::json::object(); // an object, empty when nothing was read
    std::string keptAs;                                 // where a damaged file was moved
};

// Reading and writing the JSON files the user's data lives in, so that nothing the user taught or
// set is lost: a file that does not parse is kept (renamed with a time stamp, owner-only) before
// anything is written in its place, and a file that cannot be read is never overwritten.
namespace UserDataFile {

// The deepest nesting of objects and arrays accepted in any JSON file Keyvane reads.
inline constexpr int maxDepth = 64;

// The JSON text parsed, refusing nesting deeper than maxDepth; nothing (and why) otherwise.
// Comments are allowed.
std::optional<nlohmann::json> parse(std::string_view text, std::string* error = nullptr);
// The same for text that is no longer needed afterwards: it is freed as soon as it has been read,
// before the document is built (a big file is never held twice).
std::optional<nlohmann::json> parseReleasing(std::string&& text, std::string* error = nullptr);

// Reads the object at path. A damaged file is renamed to "<path>.damaged-<UTC time stamp>", and
// what parses once trailing commas are dropped (an empty object when nothing does) is returned and
// written in its place.
UserDataRead read(const std::string& path);

// An advisory lock on a file of the user's for a load-modify-save, held until destroyed (a
// "<path>.lock" beside it). It waits for another holder unless told not to: then `busy()` says that
// another process holds it, and nothing is held. Without a lock file the work goes on unlocked
// rather than not at all.
class Lock {
public:
    enum class Wait { untilFree, no };
    explicit Lock(const std::string& path, Wait wait = Wait::untilFree);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    bool busy() const { return busy_; }

private:
    int fd_ = -1;
    bool busy_ = false;
};

// Copies the file at path beside it as "<path>.<why>-<UTC time stamp>" (private to the user, never
// over an earlier copy), before a save replaces what it held that the program does not use
// ("replaced") or could not read ("damaged"); the copy's path, or nothing when it could not be made.
std::optional<std::string> keepCopy(const std::string& path, const std::string& why = "replaced");

// Whether a new version may replace what is at path: true when nothing is there or the file there
// can be read and parsed. False for a file that could not be read or parsed (it is the user's
// data, and may still be recovered).
bool mayReplace(const std::string& path);

} // namespace UserDataFile
} // namespace keyvane
