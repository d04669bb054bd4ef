// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/UserDataFile.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/FastJson.h"

#include <cctype>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <map>
#include <mutex>
#include <set>
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

// The text a hand edit left, tidied for a strict parser: without its comments (outside strings)
// and without the commas before a closing bracket.
std::string tidied(std::string_view text) {
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
        if (auto end = commentEnd(text, i)) {
            i = *end;
            out += ' ';
            continue;
        }
        if (c == ',') {
            std::size_t next = i + 1;
            while (next < text.size()) {
                if (std::isspace(static_cast<unsigned char>(text[next]))) {
                    ++next;
                } else if (auto end = commentEnd(text, next)) {
                    next = *end + 1;
                } else {
                    break;
                }
            }
            if (next < text.size() && (text[next] == '}' || text[next] == ']')) {
                continue;
            }
        }
        inString = c == '"';
        out += c;
    }
    return out;
}

// Files salvaged in this run whose readable part could not be written back, by path.
std::map<std::string, nlohmann::json>& unsavedSalvage() {
    static std::map<std::string, nlohmann::json> salvaged;
    return salvaged;
}

// A file that stays unreadable is read again by every part of the program that needs it: said
// once per process.
void noticeOnce(const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> said;
    const std::lock_guard<std::mutex> lock(mutex);
    if (said.insert(message).second) {
        userNotice(message);
    }
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

namespace {

// A tolerant reader for what a strict one refuses: a truncated file, a stray byte, a comment
// beside a trailing comma. An object or array is read member by member, each on its own (and its
// own objects and arrays the same way): what parses is kept, what does not is left out alone.
class Salvager {
public:
    explicit Salvager(std::string_view text)
        : text_(text) {}

    std::optional<nlohmann::json> value(std::size_t from, std::size_t to, int depth) const {
        from = skipSpace(from, to);
        if (from >= to) {
            return std::nullopt;
        }
        const std::string_view whole = trimmed(from, to);
        if (auto strict = parse(tidied(whole)); strict) {
            return strict;
        }
        if (depth >= maxDepth) {
            return std::nullopt;
        }
        if (text_[from] == '{') {
            return object(from + 1, to, depth + 1);
        }
        if (text_[from] == '[') {
            return array(from + 1, to, depth + 1);
        }
        return std::nullopt;
    }

private:
    std::string_view trimmed(std::size_t from, std::size_t to) const {
        std::size_t end = to;
        while (end > from && std::isspace(static_cast<unsigned char>(text_[end - 1]))) {
            --end;
        }
        return text_.substr(from, end - from);
    }

    std::size_t skipSpace(std::size_t at, std::size_t to) const {
        while (at < to) {
            if (std::isspace(static_cast<unsigned char>(text_[at]))) {
                ++at;
            } else if (auto end = commentEnd(text_.substr(0, to), at)) {
                at = *end + 1;
            } else {
                break;
            }
        }
        return at;
    }

    // Where the string starting at `at` (its opening quote) ends: one past its closing quote.
    std::size_t stringEnd(std::size_t at, std::size_t to) const {
        for (++at; at < to; ++at) {
            if (text_[at] == '\\') {
                ++at;
            } else if (text_[at] == '"') {
                return at + 1;
            }
        }
        return to;
    }

    // Where the member starting at `at` ends: at the comma or closing bracket that follows it on its
    // own level, or at `to`.
    std::size_t memberEnd(std::size_t at, std::size_t to) const {
        int depth = 0;
        while (at < to) {
            const char c = text_[at];
            if (c == '"') {
                at = stringEnd(at, to);
                continue;
            }
            if (auto end = commentEnd(text_.substr(0, to), at)) {
                at = *end + 1;
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0) {
                    return at;
                }
                --depth;
            } else if (c == ',' && depth == 0) {
                return at;
            }
            ++at;
        }
        return to;
    }

    // Hands each comma-separated entry from `at` up to `closing` (or `to`) to `take`, one by one,
    // so that one entry that cannot be read loses no other.
    template <class Take> void eachEntry(std::size_t at, std::size_t to, char closing, Take take) const {
        while (true) {
            at = skipSpace(at, to);
            if (at >= to || text_[at] == closing) {
                return;
            }
            const std::size_t end = memberEnd(at, to);
            take(at, end);
            if (end >= to || text_[end] != ',') {
                return;
            }
            at = end + 1;
        }
    }

    std::optional<nlohmann::json> object(std::size_t at, std::size_t to, int depth) const {
        nlohmann::json out = nlohmann::json::object();
        eachEntry(at, to, '}', [&](std::size_t from, std::size_t end) {
            if (text_[from] != '"') {
                return;
            }
            const std::size_t keyEnd = stringEnd(from, end);
            const std::size_t colon = skipSpace(keyEnd, end);
            auto key = parse(text_.substr(from, keyEnd - from));
            if (key && key->is_string() && colon < end && text_[colon] == ':') {
                if (auto member = value(colon + 1, end, depth)) {
                    out[key->get<std::string>()] = std::move(*member);
                }
            }
        });
        return out;
    }

    std::optional<nlohmann::json> array(std::size_t at, std::size_t to, int depth) const {
        nlohmann::json out = nlohmann::json::array();
        eachEntry(at, to, ']', [&](std::size_t from, std::size_t end) {
            if (auto element = value(from, end, depth)) {
                out.push_back(std::move(*element));
            }
        });
        return out;
    }

    std::string_view text_;
};

} // namespace

UserDataRead read(const std::string& path) {
    UserDataRead result;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
        if (auto unsaved = unsavedSalvage().find(path); unsaved != unsavedSalvage().end()) {
            // Salvaged earlier in this run but not written back (a full disk): the same, unsaid.
            result.state = UserDataState::loaded;
            result.document = unsaved->second;
            return result;
        }
    }
    if (::lstat(path.c_str(), &info) != 0) {
        result.state = errno == ENOENT ? UserDataState::missing : UserDataState::unreadable;
        return result;
    }
    const std::optional<std::string> text = AtomicFile::read(path);
    if (!text) {
        result.state = UserDataState::unreadable;
        noticeOnce("[Keyvane] " + path + " cannot be read; it is left as it is and nothing is saved over it");
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
        noticeOnce("[Keyvane] " + path + " is damaged (" + error +
                   ") and could not be kept aside; it is left as it is");
        return result;
    }
    ::chmod(kept.c_str(), 0600);
    result.state = UserDataState::salvaged;
    result.keptAs = kept;
    if (auto salvaged = Salvager(*text).value(0, text->size(), 0); salvaged && salvaged->is_object()) {
        result.document = std::move(*salvaged);
    }
    // What was read of it takes its place at once, so that every later reader finds it.
    std::string writeError;
    const bool rewritten = AtomicFile::writeAtomically(
        path, result.document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
        &writeError);
    const std::size_t entries = result.document.size();
    userNotice("[Keyvane] " + path + " was damaged (" + error + "); kept as " + kept + "; " +
               (entries == 0 ? std::string("nothing of it could be read")
                             : std::to_string(entries) + " of its entries could be read and are used") +
               (rewritten ? std::string()
                          : "; they could not be written back (" + writeError +
                                "), so they are used until Keyvane stops and the kept copy is all there is"));
    if (!rewritten) {
        unsavedSalvage()[path] = result.document; // what later readers of the missing file get
    }
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

std::optional<std::string> keepCopy(const std::string& path, const std::string& why) {
    const std::optional<std::string> text = AtomicFile::read(path);
    if (!text) {
        return std::nullopt;
    }
    const std::string stamp = path + "." + why + "-" + fileTimestamp();
    for (int n = 1; n < 100; ++n) {
        const std::string copy = n == 1 ? stamp : stamp + "-" + std::to_string(n);
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        const bool written = ::write(fd, text->data(), text->size()) == static_cast<ssize_t>(text->size());
        ::close(fd);
        if (!written) {
            ::unlink(copy.c_str());
            return std::nullopt;
        }
        return copy;
    }
    return std::nullopt;
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
