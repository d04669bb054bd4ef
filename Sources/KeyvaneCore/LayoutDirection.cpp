// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LayoutDirection.h"

namespace keyvane {

const LayoutDirection LayoutDirection::enToRu{"en", "ru"};
const LayoutDirection LayoutDirection::ruToEn{"ru", "en"};

} // namespace keyvane
