#include "DistributionChannel.h"

#include "AppPaths.h"

#include <filesystem>

namespace keyvane::DistributionChannels {

bool isSandboxed() {
    return AppPaths::isSandboxed();
}

DistributionChannel current() {
    if (isSandboxed()) {
        return DistributionChannel::appStore;
    }
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && std::filesystem::exists(
                   exe.parent_path().parent_path() / "share" / "keyvane" / "keyvane_rules.json", ec)) {
        return DistributionChannel::direct;
    }
    return DistributionChannel::development;
}

const char* displayName(DistributionChannel channel) {
    switch (channel) {
    case DistributionChannel::appStore: return "App Store";
    case DistributionChannel::direct: return "Direct (DMG)";
    case DistributionChannel::development: return "Development (un-bundled)";
    }
    return "Development (un-bundled)";
}

} // namespace keyvane::DistributionChannels
