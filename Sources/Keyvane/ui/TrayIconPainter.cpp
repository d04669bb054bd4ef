// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/TrayIconPainter.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <iterator>

namespace keyvane::TrayIconPainter {

QImage image(const QString& badge, bool dimmed, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const double scale = size / 22.0;
    const double inset = 0.5 * scale;
    const QRectF circle(inset, inset, size - 2 * inset, size - 2 * inset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dimmed ? QColor(0x80, 0x80, 0x80, 150) : QColor(0x2F, 0x62, 0xCC));
    painter.drawEllipse(circle);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setWeight(QFont::Black);
    font.setPixelSize(
        std::max(6, static_cast<int>(std::lround((badge == QStringLiteral("—") ? 12.0 : 9.5) * scale))));
    font.setLetterSpacing(QFont::PercentageSpacing, 92);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    painter.setPen(dimmed ? QColor(255, 255, 255, 170) : QColor(Qt::white));
    painter.drawText(circle, Qt::AlignCenter, badge);
    return image;
}

QString fileName(const QString& badge, bool dimmed, int size) {
    const QString name = badge == QStringLiteral("—") ? QStringLiteral("none") : badge;
    return QStringLiteral("%1-%2%3.png").arg(name).arg(size).arg(dimmed ? QStringLiteral("-dim") : QString());
}

QIcon icon(const QString& badge, bool dimmed, const QString& directory) {
    QIcon icon;
    const QDir dir(directory);
    const bool drawn = !directory.isEmpty() && std::all_of(std::begin(sizes), std::end(sizes), [&](int size) {
        return dir.exists(fileName(badge, dimmed, size));
    });
    for (int size : sizes) {
        if (drawn) {
            icon.addFile(dir.filePath(fileName(badge, dimmed, size)), QSize(size, size));
        } else {
            icon.addPixmap(QPixmap::fromImage(image(badge, dimmed, size)));
        }
    }
    return icon;
}

} // namespace keyvane::TrayIconPainter
