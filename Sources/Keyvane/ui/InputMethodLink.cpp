// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/InputMethodLink.h"

#include <QDir>
#include <QFileInfo>

namespace keyvane {

InputMethodLink::InputMethodLink(std::string markerPath, Ask ask, QObject* parent)
    : QObject(parent)
    , markerPath_(std::move(markerPath))
    , ask_(std::move(ask)) {
    // The host replaces its marker whole, so the folder is watched as well as the file; a burst of
    // changes is read once.
    settle_.setSingleShot(true);
    settle_.setInterval(20);
    connect(&settle_, &QTimer::timeout, this, &InputMethodLink::reread);
    const QString marker = QString::fromStdString(markerPath_);
    const QString folder = QFileInfo(marker).absolutePath();
    QDir().mkpath(folder);
    watcher_.addPath(folder);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    // A host that is killed leaves its marker behind: its death shows only by looking.
    liveness_.setInterval(5000);
    connect(&liveness_, &QTimer::timeout, this, &InputMethodLink::reread);
    liveness_.start();
    reread();
}

bool InputMethodLink::send(const InstanceCommand& command) {
    if (!status_ || !ask_) {
        return false;
    }
    const bool answered = ask_(command).has_value();
    reread();
    return answered;
}

void InputMethodLink::reread() {
    const QString marker = QString::fromStdString(markerPath_);
    if (QFileInfo::exists(marker) && !watcher_.files().contains(marker)) {
        watcher_.addPath(marker);
    }
    std::optional<InputMethodHostStatus> now = InputMethodPresence::status(markerPath_);
    const bool same =
        now.has_value() == status_.has_value() &&
        (!now || (now->layoutLanguage == status_->layoutLanguage && now->paused == status_->paused));
    if (!same) {
        status_ = std::move(now);
        emit statusChanged();
    }
}

} // namespace keyvane
