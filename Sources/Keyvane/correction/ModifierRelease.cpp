// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/ModifierRelease.h"

#include "Keyvane/app/AppLog.h"

#include <utility>

namespace keyvane {

ModifierRelease::ModifierRelease(KeyMonitor& keys, Scheduler& scheduler)
    : keys_(keys)
    , scheduler_(scheduler)
    , waiting_(scheduler) {}

void ModifierRelease::then(std::function<void()> action) {
    if (keys_.modifiersHeld()) {
        appLog("[Keyvane] Shortcut waits until its keys are let go");
    }
    poll(std::move(action), scheduler_.now());
}

void ModifierRelease::poll(std::function<void()> action, double since) {
    if (!keys_.modifiersHeld()) {
        action();
        return;
    }
    if (scheduler_.now() - since > limit) {
        appLog("[Keyvane] Shortcut not carried out: its keys were still held after 3 s");
        return;
    }
    waiting_.after(0.02, [this, action = std::move(action), since] { poll(action, since); });
}

} // namespace keyvane
