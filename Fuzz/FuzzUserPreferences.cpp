// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes as the user's preferences file. Loading never fails and never loses the
// file: either it is still there as it was, or it was kept aside byte for byte. What was loaded
// saves, and loads back the same.

#include "FuzzInput.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UserPreferences.h"

#include <filesystem>

namespace {

const std::filesystem::path& workDirectory() {
    static const std::filesystem::path directory = [] {
        char pattern[] = "/tmp/keyvane-fuzz-prefs-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        keyvane::fuzz::require(made != nullptr, "a work directory can be made");
        return std::filesystem::path(made);
    }();
    return directory;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace keyvane;
    const std::filesystem::path& directory = workDirectory();
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "user_preferences.json").string();
    const std::string original(fuzz::text(data, size));
    fuzz::require(AtomicFile::writeAtomically(path, original), "the input can be written");

    const UserPreferences loaded = UserPreferences::load(path);

    bool kept = AtomicFile::read(path) == original;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().filename().string().rfind("user_preferences.json.damaged-", 0) == 0) {
            kept = kept || AtomicFile::read(entry.path().string()) == original;
        }
    }
    fuzz::require(kept, "the file read is still there or kept aside unchanged");

    const std::string copy = (directory / "saved.json").string();
    fuzz::require(UserPreferences::save(loaded, copy), "what was loaded can be saved");
    const UserPreferences reloaded = UserPreferences::load(copy);
    fuzz::require(reloaded == loaded, "what was saved loads back the same");
    return 0;
}
