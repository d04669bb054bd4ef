// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/atspi/AccessibleFocus.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <set>

class QDBusMessage;

namespace keyvane {
class FocusedObjectSearch;
}

namespace keyvane {

// Follows the keyboard focus inside applications through the accessibility bus (AT-SPI over
// D-Bus), to tell password fields from others. Turns on the desktop's accessibility switch, so
// that Qt, Chromium and Firefox join the bus as GTK always does; learns which process is behind
// every connection of the bus; takes the focus events as signals and asks the role of a newly
// focused field without waiting for the answer. When a program says nothing of its focus after
// its window got the keyboard (it had the focus before Keyvane started), its objects are searched
// for the focused one. What the answer is, and when nothing is known, is AccessibleFocus's.
class AccessibilityWatcher : public QObject {
    Q_OBJECT

public:
    // `onChange` is called whenever the answer of focusedField() changes.
    explicit AccessibilityWatcher(std::function<void()> onChange);
    ~AccessibilityWatcher() override;

    // Connects to the accessibility bus and asks its registry for focus events; false when there
    // is no bus (no session bus, or no AT-SPI registry on it).
    bool start();
    // The window with the keyboard focus changed, to one of this process (its _NET_WM_PID).
    void setActiveProcess(std::optional<long long> pid);
    // A Tab or a click: the focus may have moved inside the window.
    void focusMayMove();
    FocusedField focusedField() const;

private slots:
    void stateChanged(const QDBusMessage& message);
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    double now() const;
    void turnOnAccessibility(QDBusConnection& session);
    void listConnections();
    void askProcess(const QString& connection, std::function<void()> then = {});
    void askRole(const QString& sender, const QString& path);
    void wakeUp(const QString& connection);
    void search();
    // Applies a change of what is known, and tells of it only when the answer changes with it;
    // looks again when a wait ends.
    void change(const std::function<void()>& change);
    void wakeForNextChange();

    std::function<void()> onChange_;
    // What was last told through onChange_: the field also changes with time alone (a click's doubt
    // ends), and the wake-up that follows must tell that too.
    std::optional<FocusedField> told_;
    QDBusConnection bus_;
    bool available_ = false;
    AccessibleFocus focus_;
    QElapsedTimer clock_;
    QTimer wake_;
    QPointer<FocusedObjectSearch> search_; // the latest search, finished or not
    std::set<long long> tellingProcesses_; // toolkit programs whose windows had the focus
};

} // namespace keyvane
