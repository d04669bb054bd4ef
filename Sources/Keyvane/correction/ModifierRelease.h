// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <functional>
#include <memory>

// A shortcut fires while its own Control (or Alt, Shift, Super) is still down: a BackSpace sent
// then reaches the application as Control+BackSpace, a letter as Control and the letter. What a
// shortcut types waits until the user has let go of them.
namespace keyvane::ModifierRelease {

// Seconds a shortcut's keys may stay held before what it would type is dropped.
inline constexpr double limit = 3;

// Runs `action` once no modifier is held (at once when none is), looking every 20 ms; drops it,
// with a line in the log, when they are still held after `limit` seconds or when `owner` is gone.
void then(PlatformServices& platform, std::weak_ptr<void> owner, std::function<void()> action);

} // namespace keyvane::ModifierRelease
