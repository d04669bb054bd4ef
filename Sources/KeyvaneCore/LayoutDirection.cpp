// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LayoutDirection.h"

namespace keyvane {

const LayoutDirection LayoutDirection::enToRu{Language::en, Language::ru};
const LayoutDirection LayoutDirection::ruToEn{Language::ru, Language::en};

} // namespace keyvane
