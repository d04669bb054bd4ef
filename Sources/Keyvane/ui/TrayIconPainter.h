// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// The tray icon: the current layout's badge ("EN", "RU", "UA", "—") in a round key, white on
// blue so that it reads on light and dark panels alike, grey and faded while Keyvane is not
// correcting. Drawn for each size trays ask for, so no size is a blurred scaling of another.
// The build draws them all once (tools/keyvane_icons.cpp); the program loads those pictures, so
// that it needs no fonts at start, and draws only what it cannot find.
namespace keyvane::TrayIconPainter {

inline constexpr int sizes[] = {16, 22, 24, 32, 48, 64};

QImage image(const QString& badge, bool dimmed, int size);
// "EN-22.png", "none-22-dim.png": the file of one drawn badge.
QString fileName(const QString& badge, bool dimmed, int size);
// The drawn badges in `directory`, else drawn now.
QIcon icon(const QString& badge, bool dimmed, const QString& directory = {});

} // namespace keyvane::TrayIconPainter
