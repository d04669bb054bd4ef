#pragma once

// How this copy of Keyvane was installed.
namespace keyvane {

enum class DistributionChannel { appStore, direct, development };

namespace DistributionChannels {
// appStore: inside a Flatpak or Snap sandbox; direct: an installed package; development: a build.
DistributionChannel current();
bool isSandboxed();
// "App Store", "Direct (DMG)", "Development (un-bundled)".
const char* displayName(DistributionChannel channel);
} // namespace DistributionChannels

} // namespace keyvane
