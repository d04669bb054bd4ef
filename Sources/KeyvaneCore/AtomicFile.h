// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reading and writing. Every file Keyvane writes goes through writeAtomically, so a
// crash, a kill or a full disk leaves either the previous file or the new one, never a part.
namespace keyvane::AtomicFile {

// The whole file, or nothing when it does not exist, is not a regular file or cannot be read.
std::optional<std::string> read(const std::string& path);

// The same file handed over in chunks of at most 64 KiB, for files too big to hold whole. False
// when it cannot be opened or read, or when onChunk returns false (reading then stops).
bool readInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk);

// Writes contents to a temporary file in the same directory, flushes it to disk, then renames
// it over path. On failure the previous file is untouched and error (if given) says why.
// The file is created readable and writable by its owner only.
bool writeAtomically(const std::string& path, const std::string& contents, std::string* error = nullptr);

// Removes the temporary files that writeAtomically leaves when it is killed mid-save
// (".<name>.tmp.XXXXXX") from a directory, once they are a minute old (a save in progress is
// younger); returns how many went. Nothing else is touched.
int removeStaleTemporaries(const std::string& directory);

// Creates a directory and its parents (mode 0700 for the ones created). True if it exists after.
bool createDirectories(const std::string& path, std::string* error = nullptr);

} // namespace keyvane::AtomicFile
