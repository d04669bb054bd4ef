// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/correction/InputMethodPresence.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

namespace keyvane {

// The desktop copy's view of Keyvane inside the input-method framework: while the host there
// corrects the keys, the tray shows the language it types with and whether it is paused, and the
// tray's pause and resume are carried out there. It follows the host's marker file as the host
// rewrites it, and notices a host that starts or stops.
class InputMethodLink : public QObject {
    Q_OBJECT

public:
    // `ask` hands a request to the host and returns its answer (nothing when it did not answer).
    using Ask = std::function<std::optional<std::string>(const InstanceCommand&)>;
    InputMethodLink(std::string markerPath, Ask ask, QObject* parent = nullptr);

    // The host's status; nothing while no host corrects the keys.
    const std::optional<InputMethodHostStatus>& status() const { return status_; }
    // Carries the request out in the host; false when no host runs or it did not answer.
    bool send(const InstanceCommand& command);

signals:
    void statusChanged();

private:
    void reread();

    std::string markerPath_;
    Ask ask_;
    std::optional<InputMethodHostStatus> status_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer liveness_;
};

} // namespace keyvane
