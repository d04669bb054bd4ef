// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/UserDataFile.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/FastJson.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keyvane::UserDataFile {
namespace {

// Where the comment starting at text[i] ends (the index of its last character), or nothing when
// no comment starts there. Both kinds the parser accepts: "// to the end of the line" and "/* */".
std::optional<std::size_t> commentEnd(std::string_view text, std::size_t i) {
    if (text[i] != '/' || i + 1 >= text.size() || (text[i + 1] != '/' && text[i + 1] != '*')) {
        return std::nullopt;
    }
    const bool line = text[i + 1] == '/';
    const std::size_t end = text.find(line ? "\n" : "*/", i + 2);
    if (end == std::string_view::npos) {
        return text.size() - 1;
    }
    return line ? end : end + 1;
}

// The deepest nesting of brackets outside strings and comments, scanned before parsing so that a
// hostile or broken file can neither exhaust the stack nor be copied back at a multiple of its size.
int nestingDepth(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (auto end = commentEnd(text, i)) {
            i = *end;
        } else if (c == '{' || c == '[') {
            deepest = std::max(deepest, ++depth);
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return deepest;
}

// The text without the commas that a hand edit leaves before a closing bracket.
std::string withoutTrailingCommas(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < text.size()) {
                out += text[++i];
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == ',') {
            std::size_t next = text.find_first_not_of(" \t\r\n", i + 1);
            if (next != std::string_view::npos && (text[next] == '}' || text[next] == ']')) {
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string fileTimestamp() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
    return buffer;
}

} // namespace

namespace {

std::optional<nlohmann::json> parseText(std::string_view text, std::string* error,
                                        const std::function<void()>& onRead) {
    if (nestingDepth(text) > maxDepth) {
        if (error != nullptr) {
            *error = "nested deeper than " + std::to_string(maxDepth) + " levels";
        }
        return std::nullopt;
    }
    if (auto strict = FastJson::parse(text, onRead)) {
        return strict;
    }
    try {
        return nlohmann::json::parse(text, nullptr, true, /*ignore_comments=*/true);
    } catch (const nlohmann::json::exception& e) {
        if (error != nullptr) {
            *error = e.what();
        }
        return std::nullopt;
    }
}

} // namespace

std::optional<nlohmann::json> parse(std::string_view text, std::string* error) {
    return parseText(text, error, {});
}

std::optional<nlohmann::json> parseReleasing(std::string&& text, std::string* error) {
    return parseText(text, error, [&text] { std::string().swap(text); });
}

UserDataRead read(const std::string& path) {
    UserDataRead result;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        result.state = errno == ENOENT ? UserDataState::missing : UserDataState::unreadable;
        return result;
    }
    const std::optional<std::string> text = AtomicFile::read(path);
    if (!text) {
        result.state = UserDataState::unreadable;
        userNotice("[Keyvane] " + path + " cannot be read; it is left as it is and nothing is saved over it");
        return result;
    }
    std::string error;
    if (auto document = parse(*text, &error); document && document->is_object()) {
        result.state = UserDataState::loaded;
        result.document = std::move(*document);
        return result;
    }
    // Keep the damaged file before anything can be written in its place (never over an earlier
    // kept copy: a second one in the same second gets a number).
    const std::string stamp = path + ".damaged-" + fileTimestamp();
    std::string kept = stamp;
    int renamed = -1;
    for (int n = 2; n < 100; ++n) {
        renamed = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, kept.c_str(), RENAME_NOREPLACE);
        if (renamed == 0 || errno != EEXIST) {
            break;
        }
        kept = stamp + "-" + std::to_string(n);
    }
    if (renamed != 0) {
        result.state = UserDataState::unreadable;
        userNotice("[Keyvane] " + path + " is damaged (" + error +
                   ") and could not be kept aside; it is left as it is");
        return result;
    }
    ::chmod(kept.c_str(), 0600);
    result.state = UserDataState::salvaged;
    result.keptAs = kept;
    if (auto salvaged = parse(withoutTrailingCommas(*text)); salvaged && salvaged->is_object()) {
        result.document = std::move(*salvaged);
    }
    // What was read of it takes its place at once, so that every later reader finds it.
    AtomicFile::writeAtomically(
        path, result.document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    userNotice(
        "[Keyvane] " + path + " was damaged (" + error + "); kept as " + kept +
        (result.document.empty() ? ", nothing of it could be read" : ", what could be read of it is used"));
    return result;
}

Lock::Lock(const std::string& path, Wait wait) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd_ < 0) {
        return;
    }
    const int operation = wait == Wait::no ? LOCK_EX | LOCK_NB : LOCK_EX;
    int result = 0;
    while ((result = ::flock(fd_, operation)) != 0 && errno == EINTR) {
    }
    if (result != 0 && errno == EWOULDBLOCK) {
        busy_ = true;
        ::close(fd_);
        fd_ = -1;
    }
}

Lock::~Lock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

bool mayReplace(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    const std::optional<std::string> text = AtomicFile::read(path);
    if (!text) {
        return false;
    }
    auto document = parse(*text);
    return document && document->is_object();
}

} // namespace keyvane::UserDataFile
