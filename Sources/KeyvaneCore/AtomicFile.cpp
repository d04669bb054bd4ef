// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace keyvane::AtomicFile {
namespace {

std::string describe(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

void setError(std::string* error, const std::string& message) {
    if (error != nullptr) {
        *error = message;
    }
}

bool writeAll(int fd, const std::string& contents) {
    std::size_t written = 0;
    while (written < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

namespace {

// Opens a regular file for reading; -1 for anything else. Non-blocking, so that a FIFO or a
// device at the path cannot hang the program at open; it is refused right after.
int openRegularFile(const std::string& path, struct stat& info) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readChunks(int fd, const std::function<bool(std::string_view)>& onChunk) {
    std::vector<char> buffer(64 * 1024);
    while (true) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        if (!onChunk(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            return false;
        }
    }
}

} // namespace

std::optional<std::string> read(const std::string& path) {
    struct stat info {};
    const int fd = openRegularFile(path, info);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(info.st_size)); // the rules file is megabytes: no regrowth
    const bool complete = readChunks(fd, [&](std::string_view chunk) {
        contents.append(chunk);
        return true;
    });
    ::close(fd);
    if (!complete) {
        return std::nullopt;
    }
    return contents;
}

bool readInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk) {
    struct stat info {};
    const int fd = openRegularFile(path, info);
    if (fd < 0) {
        return false;
    }
    const bool complete = readChunks(fd, onChunk);
    ::close(fd);
    return complete;
}

int removeStaleTemporaries(const std::string& directory) {
    int removed = 0;
    std::error_code ec;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
        const std::string name = entry.path().filename().string();
        const std::size_t tmp = name.rfind(".tmp.");
        const bool ours = name.size() > 1 && name.front() == '.' && tmp != std::string::npos &&
                          name.size() - tmp == std::string(".tmp.XXXXXX").size();
        std::error_code entryError;
        if (!ours || !entry.is_regular_file(entryError) || entry.is_symlink(entryError)) {
            continue;
        }
        const auto written = entry.last_write_time(entryError);
        if (!entryError && now - written > std::chrono::minutes(1) &&
            std::filesystem::remove(entry.path(), entryError)) {
            ++removed;
        }
    }
    return removed;
}

bool createDirectories(const std::string& path, std::string* error) {
    // Each missing directory is made with mode 0700 itself, whatever the umask allows: the user's
    // data and the developer log are nobody else's.
    std::filesystem::path built;
    for (const std::filesystem::path& part : std::filesystem::path(path)) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) {
            setError(error, describe(built.string(), errno));
            return false;
        }
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
        setError(error, path + ": not a directory");
        return false;
    }
    return true;
}

bool writeAtomically(const std::string& path, const std::string& contents, std::string* error) {
    std::filesystem::path target(path);
    std::string directory = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string pattern = directory + "/." + target.filename().string() + ".tmp.XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkostemp(temp.data(), O_CLOEXEC); // created with mode 0600
    if (fd < 0) {
        setError(error, describe("cannot create a temporary file in " + directory, errno));
        return false;
    }
    std::string tempPath(temp.data());
    auto fail = [&](const std::string& what) {
        int saved = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        setError(error, describe(what, saved));
        return false;
    };
    if (!writeAll(fd, contents)) {
        return fail("cannot write " + tempPath);
    }
    if (::fsync(fd) != 0) {
        return fail("cannot flush " + tempPath);
    }
    if (::close(fd) != 0) {
        int saved = errno;
        ::unlink(tempPath.c_str());
        setError(error, describe("cannot close " + tempPath, saved));
        return false;
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(tempPath.c_str());
        setError(error, describe("cannot replace " + path, saved));
        return false;
    }
    // Make the rename itself durable.
    int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace keyvane::AtomicFile
