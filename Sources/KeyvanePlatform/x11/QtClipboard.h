// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

// The desktop's clipboards through Qt: CLIPBOARD and PRIMARY, every format they hold, so that what
// the program borrows for a conversion is put back whole. Needs a QGuiApplication.
namespace keyvane::QtClipboard {

ClipboardContents contents(ClipboardKind kind);
void setContents(const ClipboardContents& contents, ClipboardKind kind);

} // namespace keyvane::QtClipboard
