// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

namespace keyvane {

// The desktop's clipboards, every format they hold.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    virtual ClipboardContents clipboardContents(ClipboardKind kind) = 0;
    virtual void setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) = 0;
};

} // namespace keyvane
