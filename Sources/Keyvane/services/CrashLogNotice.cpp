// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/CrashLogNotice.h"

#include "Keyvane/app/SettingsFile.h"

#include <QFile>
#include <QSettings>

namespace keyvane::CrashLogNotice {

std::optional<QString> takeNewRecords(const std::string& crashLogPath, const std::string& settingsPath) {
    if (!SettingsFile::usable(settingsPath)) {
        return std::nullopt; // where it was told last cannot be kept: nothing is told rather than all of it
                             // each time
    }
    QSettings settings(QString::fromStdString(settingsPath), QSettings::IniFormat);
    const QString key = QStringLiteral("CrashLog/seenSize");
    const qint64 seen = settings.value(key, 0).toLongLong();
    QFile log(QString::fromStdString(crashLogPath));
    const qint64 size = log.exists() ? log.size() : 0;
    if (size != seen) {
        settings.setValue(key, size);
    }
    // A log smaller than before was emptied or replaced by the user: only growth is news.
    if (size <= seen || !log.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    log.seek(seen);
    return QString::fromUtf8(log.readAll());
}

} // namespace keyvane::CrashLogNotice
