// SPDX-License-Identifier: GPL-3.0-or-later
// Draws Keyvane's application icon into a hicolor icon theme: the scalable SVG and the PNG sizes
// menus, launchers and trays use. Both come from the one drawing below, on a 256-unit square:
// two key caps, one behind the other, with arrows that swap them, on a blue rounded square. At
// the smallest sizes the arrows are left out, where they would only blur.
// It also draws the tray's badges in every size and state, so that the program loads pictures
// instead of drawing text at start.
//   keyvane-icons <output directory>   (writes <dir>/hicolor/... and <dir>/tray/...)

#include "Keyvane/ui/TrayIconPainter.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct RoundedRect {
    double x, y, size, radius;
    double opacity;
};

// A curved stroke from `from` through the control point to `to`, with an arrowhead at `to`.
struct Arrow {
    QPointF from, control, to;
    QPolygonF head;
};

constexpr double canvas = 256;
constexpr double strokeWidth = 14;
constexpr int smallestWithArrows = 32;
const QColor top(0x4A, 0x7F, 0xE5);
const QColor bottom(0x2A, 0x4F, 0xB0);
const RoundedRect background{16, 16, 224, 52, 1};
const std::vector<RoundedRect> keys{{52, 52, 100, 22, 0.42}, {104, 104, 100, 22, 1}};
const std::vector<Arrow> arrows{
    {{170, 58}, {204, 58}, {204, 88}, QPolygonF({{190, 84}, {218, 84}, {204, 104}})},
    {{86, 198}, {52, 198}, {52, 168}, QPolygonF({{38, 172}, {66, 172}, {52, 152}})},
};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string svg() {
    std::string out =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    out += "  <defs>\n    <linearGradient id=\"background\" x1=\"0\" y1=\"" + number(background.y) +
           "\" x2=\"0\" y2=\"" + number(background.y + background.size) +
           "\" gradientUnits=\"userSpaceOnUse\">\n      <stop offset=\"0\" stop-color=\"" +
           top.name().toStdString() + "\"/>\n      <stop offset=\"1\" stop-color=\"" +
           bottom.name().toStdString() + "\"/>\n    </linearGradient>\n  </defs>\n";
    auto rect = [](const RoundedRect& r, const std::string& fill) {
        return "  <rect x=\"" + number(r.x) + "\" y=\"" + number(r.y) + "\" width=\"" + number(r.size) +
               "\" height=\"" + number(r.size) + "\" rx=\"" + number(r.radius) + "\" fill=\"" + fill + "\"" +
               (r.opacity < 1 ? " fill-opacity=\"" + number(r.opacity) + "\"" : std::string()) + "/>\n";
    };
    out += rect(background, "url(#background)");
    for (const RoundedRect& key : keys) {
        out += rect(key, "#ffffff");
    }
    for (const Arrow& arrow : arrows) {
        out += "  <path d=\"M " + number(arrow.from.x()) + " " + number(arrow.from.y()) + " Q " +
               number(arrow.control.x()) + " " + number(arrow.control.y()) + " " + number(arrow.to.x()) +
               " " + number(arrow.to.y()) + "\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"" +
               number(strokeWidth) + "\" stroke-linecap=\"round\"/>\n  <path d=\"M";
        for (const QPointF& point : arrow.head) {
            out += " " + number(point.x()) + " " + number(point.y());
        }
        out += " Z\" fill=\"#ffffff\"/>\n";
    }
    return out + "</svg>\n";
}

QImage png(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / canvas, size / canvas);
    painter.setPen(Qt::NoPen);
    QLinearGradient gradient(0, background.y, 0, background.y + background.size);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(background.x, background.y, background.size, background.size),
                            background.radius, background.radius);
    for (const RoundedRect& key : keys) {
        QColor white(Qt::white);
        white.setAlphaF(static_cast<float>(key.opacity));
        painter.setBrush(white);
        painter.drawRoundedRect(QRectF(key.x, key.y, key.size, key.size), key.radius, key.radius);
    }
    if (size >= smallestWithArrows) {
        for (const Arrow& arrow : arrows) {
            QPainterPath path(arrow.from);
            path.quadTo(arrow.control, arrow.to);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Qt::white, strokeWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(path);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPolygon(arrow.head);
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // the badges' letters need fonts, not a display
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: keyvane-icons <output directory>\n");
        return 1;
    }
    const std::filesystem::path theme = std::filesystem::path(argv[1]) / "hicolor";
    std::filesystem::create_directories(theme / "scalable" / "apps");
    std::ofstream scalable(theme / "scalable" / "apps" / "keyvane.svg");
    if (!(scalable << svg()) || !scalable.flush()) {
        std::fprintf(stderr, "keyvane-icons: cannot write the scalable icon\n");
        return 1;
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::filesystem::path dir =
            theme / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
        std::filesystem::create_directories(dir);
        if (!png(size).save(QString::fromStdString((dir / "keyvane.png").string()), "PNG")) {
            std::fprintf(stderr, "keyvane-icons: cannot write %s\n", (dir / "keyvane.png").c_str());
            return 1;
        }
    }
    const std::filesystem::path tray = std::filesystem::path(argv[1]) / "tray";
    std::filesystem::create_directories(tray);
    for (const char* badge : {"EN", "RU", "UA", "—"}) {
        for (bool dimmed : {false, true}) {
            for (int size : keyvane::TrayIconPainter::sizes) {
                const QString name =
                    QString::fromStdString(tray.string()) + "/" +
                    keyvane::TrayIconPainter::fileName(QString::fromUtf8(badge), dimmed, size);
                if (!keyvane::TrayIconPainter::image(QString::fromUtf8(badge), dimmed, size)
                         .save(name, "PNG")) {
                    std::fprintf(stderr, "keyvane-icons: cannot write %s\n", name.toUtf8().constData());
                    return 1;
                }
            }
        }
    }
    return 0;
}
