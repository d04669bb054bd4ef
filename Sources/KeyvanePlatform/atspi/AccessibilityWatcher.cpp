// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/atspi/AccessibilityWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>

namespace keyvane {
namespace {

// The role AT-SPI gives password entries (ATSPI_ROLE_PASSWORD_TEXT).
constexpr unsigned int passwordTextRole = 40;
// How long a question to the bus may take at start, and one to an application later.
constexpr int startTimeoutMs = 2000;
constexpr int questionTimeoutMs = 1000;

const QString registryService = QStringLiteral("org.a11y.atspi.Registry");
const QString registryPath = QStringLiteral("/org/a11y/atspi/registry");
const QString focusEvent = QStringLiteral("object:state-changed:focused");

} // namespace

AccessibilityWatcher::AccessibilityWatcher(std::function<void()> onChange)
    : onChange_(std::move(onChange))
    , bus_(QStringLiteral("keyvane-accessibility")) {}

AccessibilityWatcher::~AccessibilityWatcher() {
    if (available_) {
        QDBusConnection::disconnectFromBus(bus_.name());
    }
}

bool AccessibilityWatcher::start() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        return false;
    }
    // The accessibility bus is a bus of its own; the session bus tells its address.
    QDBusMessage reply = session.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
        QDBus::Block, startTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        reply.arguments().first().toString().isEmpty()) {
        return false;
    }
    bus_ = QDBusConnection::connectToBus(reply.arguments().first().toString(),
                                         QStringLiteral("keyvane-accessibility"));
    if (!bus_.isConnected()) {
        return false;
    }
    // Applications send only the events some listener has asked the registry for.
    QDBusMessage registration = QDBusMessage::createMethodCall(registryService, registryPath,
                                                               QStringLiteral("org.a11y.atspi.Registry"),
                                                               QStringLiteral("RegisterEvent"));
    registration << focusEvent << QStringList() << QString();
    QDBusMessage registered = bus_.call(registration, QDBus::Block, startTimeoutMs);
    if (registered.type() == QDBusMessage::ErrorMessage) {
        // Registries before 2.46 take the event alone.
        QDBusMessage older = QDBusMessage::createMethodCall(registryService, registryPath,
                                                            QStringLiteral("org.a11y.atspi.Registry"),
                                                            QStringLiteral("RegisterEvent"));
        older << focusEvent;
        registered = bus_.call(older, QDBus::Block, startTimeoutMs);
    }
    if (registered.type() == QDBusMessage::ErrorMessage) {
        QDBusConnection::disconnectFromBus(bus_.name());
        return false;
    }
    bus_.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                 QStringLiteral("StateChanged"), this, SLOT(stateChanged(QDBusMessage)));
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(nameOwnerChanged(QString, QString, QString)));
    available_ = true;
    return true;
}

void AccessibilityWatcher::setActiveProcess(std::optional<long long> pid) {
    changeQuietly([&] { activePid_ = pid; });
}

FocusedField AccessibilityWatcher::focusedField() const {
    if (!available_) {
        return FocusedField::unknown;
    }
    const ApplicationFocus* focus = nullptr;
    auto last = applications_.find(lastFocused_);
    if (activePid_) {
        // The application of the active window; the one focused last among several of one process.
        if (last != applications_.end() && last->second.pid == activePid_) {
            focus = &last->second;
        }
        for (auto it = applications_.begin(); focus == nullptr && it != applications_.end(); ++it) {
            if (it->second.pid == activePid_) {
                focus = &it->second;
            }
        }
    }
    // An application whose process is not known yet has just taken the focus: it is the one.
    if (focus == nullptr && last != applications_.end() && (!activePid_ || !last->second.pid)) {
        focus = &last->second;
    }
    return focus != nullptr && !focus->path.isEmpty() ? focus->field : FocusedField::ordinary;
}

void AccessibilityWatcher::stateChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments[0].toString() != QLatin1String("focused")) {
        return;
    }
    const QString sender = message.service();
    const QString path = message.path();
    if (arguments[1].toInt() != 0) {
        auto known = applications_.find(sender);
        if (known != applications_.end() && known->second.path == path) {
            // The same field announced again (toolkits repeat themselves): the focus did not move.
            changeQuietly([&] { lastFocused_ = sender; });
            return;
        }
        ApplicationFocus& focus = applications_[sender];
        focus.path = path;
        focus.field = FocusedField::asking; // a password field until the application says otherwise
        lastFocused_ = sender;
        if (!focus.pid) {
            askProcess(sender);
        }
        askRole(sender, path);
        changed();
        return;
    }
    auto it = applications_.find(sender);
    if (it != applications_.end() && it->second.path == path) {
        it->second.path.clear();
        it->second.field = FocusedField::ordinary;
        changed();
    }
}

void AccessibilityWatcher::nameOwnerChanged(const QString& name, const QString& /*oldOwner*/,
                                            const QString& newOwner) {
    if (newOwner.isEmpty()) {
        changeQuietly([&] { applications_.erase(name); }); // the application is gone, and its fields
    }
}

void AccessibilityWatcher::askRole(const QString& sender, const QString& path) {
    QDBusPendingCall call = bus_.asyncCall(
        QDBusMessage::createMethodCall(sender, path, QStringLiteral("org.a11y.atspi.Accessible"),
                                       QStringLiteral("GetRole")),
        questionTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, sender, path](QDBusPendingCallWatcher* done) {
                QDBusPendingReply<unsigned int> reply = *done;
                done->deleteLater();
                auto it = applications_.find(sender);
                if (it == applications_.end() || it->second.path != path) {
                    return; // the focus has moved on meanwhile
                }
                // An application that cannot say what its field is has no password field to protect.
                const FocusedField field = !reply.isError() && reply.value() == passwordTextRole
                                               ? FocusedField::password
                                               : FocusedField::ordinary;
                changeQuietly([&] { it->second.field = field; });
            });
}

void AccessibilityWatcher::askProcess(const QString& sender) {
    QDBusMessage question = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    question << sender;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(question, questionTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, sender](QDBusPendingCallWatcher* done) {
        QDBusPendingReply<unsigned int> reply = *done;
        done->deleteLater();
        auto it = applications_.find(sender);
        if (it != applications_.end() && !reply.isError()) {
            changeQuietly([&] { it->second.pid = static_cast<long long>(reply.value()); });
        }
    });
}

void AccessibilityWatcher::changeQuietly(const std::function<void()>& change) {
    const FocusedField before = focusedField();
    change();
    if (focusedField() != before) {
        changed();
    }
}

void AccessibilityWatcher::changed() {
    if (onChange_) {
        onChange_();
    }
}

} // namespace keyvane
