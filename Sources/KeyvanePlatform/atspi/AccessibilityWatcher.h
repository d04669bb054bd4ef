// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>

class QDBusMessage;

namespace keyvane {

// Follows the keyboard focus inside applications through the accessibility bus (AT-SPI over
// D-Bus), to tell password fields from others. Focus events arrive as signals; the role of a
// newly focused field is asked once, without waiting for the answer (the field counts as a
// password field until it comes). Each application's focused field is kept, and the one of the
// application whose window is active is the answer.
class AccessibilityWatcher : public QObject {
    Q_OBJECT

public:
    // `onChange` is called whenever the focus moves between fields, or a field's kind becomes known.
    explicit AccessibilityWatcher(std::function<void()> onChange);
    ~AccessibilityWatcher() override;

    // Connects to the accessibility bus and asks its registry for focus events; false when there
    // is no bus (no session bus, or no AT-SPI registry on it).
    bool start();
    bool available() const { return available_; }
    // The process whose window has the keyboard focus (its _NET_WM_PID), when known.
    void setActiveProcess(std::optional<long long> pid);
    FocusedField focusedField() const;

private slots:
    void stateChanged(const QDBusMessage& message);
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    struct ApplicationFocus {
        QString path; // the focused object of the application
        FocusedField field = FocusedField::asking;
        std::optional<long long> pid; // the application's process, once the bus has told it
    };
    void askRole(const QString& sender, const QString& path);
    void askProcess(const QString& sender);
    void changed();
    // Applies a change of what is known, and tells of it only when the answer changes with it.
    void changeQuietly(const std::function<void()>& change);

    std::function<void()> onChange_;
    QDBusConnection bus_;
    bool available_ = false;
    std::map<QString, ApplicationFocus> applications_; // by bus name
    QString lastFocused_;                              // the application that took the focus last
    std::optional<long long> activePid_;
};

} // namespace keyvane
