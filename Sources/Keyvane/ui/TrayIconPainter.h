// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// The tray icon: the current layout's badge ("EN", "RU", "UA", "—") in a round key, white on
// blue so that it reads on light and dark panels alike, grey and faded while Keyvane is not
// correcting. Drawn for each size trays ask for, so no size is a blurred scaling of another.
namespace keyvane::TrayIconPainter {

QImage image(const QString& badge, bool dimmed, int size);
QIcon icon(const QString& badge, bool dimmed);

} // namespace keyvane::TrayIconPainter
