// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace keyvane::QtClipboard {

ClipboardContents contents(ClipboardKind kind) {
    const auto mode = kind == ClipboardKind::primary ? QClipboard::Selection : QClipboard::Clipboard;
    ClipboardContents contents;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    if (data == nullptr) {
        return contents;
    }
    if (data->hasText()) {
        contents.formats.emplace_back(ClipboardContents::textFormat, data->text().toStdString());
    }
    for (const QString& format : data->formats()) {
        if (format.startsWith("text/plain")) {
            continue; // held above, once, as UTF-8
        }
        QByteArray bytes = data->data(format);
        contents.formats.emplace_back(format.toStdString(),
                                      std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    return contents;
}

void setContents(const ClipboardContents& contents, ClipboardKind kind) {
    const auto mode = kind == ClipboardKind::primary ? QClipboard::Selection : QClipboard::Clipboard;
    if (contents.formats.empty()) {
        QGuiApplication::clipboard()->clear(mode);
        return;
    }
    auto* data = new QMimeData();
    for (const auto& [type, bytes] : contents.formats) {
        if (type == ClipboardContents::textFormat) {
            data->setText(QString::fromStdString(bytes));
        } else {
            data->setData(QString::fromStdString(type),
                          QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        }
    }
    QGuiApplication::clipboard()->setMimeData(data, mode);
}

} // namespace keyvane::QtClipboard
