// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/LearningNotice.h"

#include "Keyvane/app/SettingsFile.h"

#include <QSettings>

namespace keyvane::LearningNotice {

bool takeFirst(const std::string& settingsPath) {
    if (!SettingsFile::usable(settingsPath)) {
        return false;
    }
    QSettings settings(QString::fromStdString(settingsPath), QSettings::IniFormat);
    const QString key = QStringLiteral("Learning/undoNoticeGiven");
    if (settings.value(key, false).toBool()) {
        return false;
    }
    settings.setValue(key, true);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace keyvane::LearningNotice
