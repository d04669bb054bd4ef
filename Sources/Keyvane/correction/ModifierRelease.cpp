// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/ModifierRelease.h"

#include "Keyvane/app/AppLog.h"

namespace keyvane::ModifierRelease {

namespace {

void poll(PlatformServices& platform, std::weak_ptr<void> owner, std::function<void()> action, double since) {
    if (owner.expired()) {
        return;
    }
    if (!platform.modifiersHeld()) {
        action();
        return;
    }
    if (platform.now() - since > limit) {
        appLog("[Keyvane] Shortcut not carried out: its keys were still held after 3 s");
        return;
    }
    Registration next = platform.schedule(
        0.02, [&platform, owner = std::move(owner), action = std::move(action), since]() mutable {
            poll(platform, std::move(owner), std::move(action), since);
        });
    next.detach();
}

} // namespace

void then(PlatformServices& platform, std::weak_ptr<void> owner, std::function<void()> action) {
    if (platform.modifiersHeld()) {
        appLog("[Keyvane] Shortcut waits until its keys are let go");
    }
    poll(platform, std::move(owner), std::move(action), platform.now());
}

} // namespace keyvane::ModifierRelease
