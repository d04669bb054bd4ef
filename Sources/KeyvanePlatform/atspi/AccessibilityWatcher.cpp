// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/atspi/AccessibilityWatcher.h"

#include "KeyvanePlatform/atspi/FocusedObjectSearch.h"
#include "KeyvanePlatform/atspi/ToolkitProbe.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>
#include <cmath>
#include <memory>

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
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

} // namespace

AccessibilityWatcher::AccessibilityWatcher(std::function<void()> onChange)
    : onChange_(std::move(onChange))
    , bus_(QStringLiteral("keyvane-accessibility")) {
    clock_.start();
    wake_.setSingleShot(true);
    connect(&wake_, &QTimer::timeout, this, [this] { change([] {}); });
}

AccessibilityWatcher::~AccessibilityWatcher() {
    if (available_) {
        QDBusConnection::disconnectFromBus(bus_.name());
    }
}

double AccessibilityWatcher::now() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

bool AccessibilityWatcher::start() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        return false;
    }
    turnOnAccessibility(session);
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
    bus_.connect(busService, busPath, busService, QStringLiteral("NameOwnerChanged"), this,
                 SLOT(nameOwnerChanged(QString, QString, QString)));
    available_ = true;
    listConnections();
    return true;
}

void AccessibilityWatcher::turnOnAccessibility(QDBusConnection& session) {
    // The switch that assistive tools turn on: Qt, Chromium and Firefox join the bus only when it
    // is on as they start, or as the bus's launcher starts (GTK always joins); it stays on for the
    // programs started later. Set before anything else: when this call starts the launcher, the
    // programs waiting for it see the switch on.
    QDBusMessage set = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    set << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
        << QVariant::fromValue(QDBusVariant(true));
    session.call(set, QDBus::Block, startTimeoutMs);
}

void AccessibilityWatcher::listConnections() {
    // Every connection of the bus, and the process behind it: a program is on the bus when one of
    // them is its process. Nothing is known until all have answered.
    auto* watcher = new QDBusPendingCallWatcher(
        bus_.asyncCall(
            QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("ListNames")),
            startTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        QDBusPendingReply<QStringList> reply = *done;
        auto left = std::make_shared<int>(1);
        auto answered = [this, left] {
            if (--*left == 0) {
                change([this] { focus_.connectionsKnown(); });
            }
        };
        if (!reply.isError()) {
            for (const QString& name : reply.value()) {
                if (name.startsWith(QLatin1Char(':')) && name != bus_.baseService()) {
                    ++*left;
                    askProcess(name, answered);
                }
            }
        }
        answered();
    });
}

void AccessibilityWatcher::setActiveProcess(std::optional<long long> pid) {
    ProgramKind kind = ProgramKind::silent;
    if (pid) {
        // Toolkit programs are remembered (Chromium's map runs to thousands of lines); should the
        // process number be taken by another program, it is at worst left alone. Others are small.
        if (tellingProcesses_.count(*pid) != 0) {
            kind = ProgramKind::tellsFields;
        } else if ((kind = ToolkitProbe::kindOf(*pid)) == ProgramKind::tellsFields) {
            if (tellingProcesses_.size() > 64) {
                tellingProcesses_.clear();
            }
            tellingProcesses_.insert(*pid);
        }
    }
    change([&] { focus_.windowFocused(pid, kind, now()); });
}

void AccessibilityWatcher::focusMayMove() {
    change([&] { focus_.focusMayMove(now()); });
}

FocusedField AccessibilityWatcher::focusedField() const {
    return available_ ? focus_.field(now()) : FocusedField::unknown;
}

void AccessibilityWatcher::stateChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments[0].toString() != QLatin1String("focused")) {
        return;
    }
    const QString sender = message.service();
    const QString path = message.path();
    if (arguments[1].toInt() != 0) {
        change([&] { focus_.focused(sender.toStdString(), path.toStdString(), now()); });
        askRole(sender, path);
    } else {
        change([&] { focus_.unfocused(sender.toStdString(), path.toStdString(), now()); });
    }
}

void AccessibilityWatcher::nameOwnerChanged(const QString& name, const QString& /*oldOwner*/,
                                            const QString& newOwner) {
    if (!name.startsWith(QLatin1Char(':'))) {
        return;
    }
    if (newOwner.isEmpty()) {
        change([&] { focus_.left(name.toStdString()); }); // the program is gone, and its fields
    } else {
        askProcess(name);
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
                // A program that does not answer has not said its field is no password field.
                const std::optional<bool> password =
                    reply.isError() ? std::nullopt : std::optional<bool>(reply.value() == passwordTextRole);
                change([&] { focus_.roleTold(sender.toStdString(), path.toStdString(), password); });
            });
}

void AccessibilityWatcher::askProcess(const QString& connection, std::function<void()> then) {
    QDBusMessage question = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                           QStringLiteral("GetConnectionUnixProcessID"));
    question << connection;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(question, questionTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, connection, then = std::move(then)](QDBusPendingCallWatcher* done) {
                QDBusPendingReply<unsigned int> reply = *done;
                done->deleteLater();
                if (!reply.isError()) {
                    change([&] {
                        focus_.joined(connection.toStdString(), static_cast<long long>(reply.value()));
                    });
                    wakeUp(connection);
                }
                if (then) {
                    then();
                }
            });
}

void AccessibilityWatcher::wakeUp(const QString& connection) {
    // Chromium and Electron show a page's fields only once a client has asked for the attributes
    // of their accessible root (after its children, which make its window's object); every other
    // program just answers.
    const QString root = QStringLiteral("/org/a11y/atspi/accessible/root");
    const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
    auto* watcher = new QDBusPendingCallWatcher(
        bus_.asyncCall(
            QDBusMessage::createMethodCall(connection, root, accessible, QStringLiteral("GetChildren")),
            questionTimeoutMs),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, connection, root, accessible](auto* done) {
                done->deleteLater();
                bus_.asyncCall(QDBusMessage::createMethodCall(connection, root, accessible,
                                                              QStringLiteral("GetAttributes")),
                               questionTimeoutMs);
            });
}

void AccessibilityWatcher::search() {
    QStringList connections;
    for (const std::string& connection : focus_.activeConnections()) {
        connections << QString::fromStdString(connection);
        wakeUp(connections.back()); // it may have joined before it had a window to show
    }
    const int number = focus_.searchStarted();
    if (search_) {
        search_->deleteLater(); // the focus it looked for has moved: its answer no longer counts
    }
    search_ = new FocusedObjectSearch(
        bus_, connections,
        [this, number](std::optional<FocusedObjectSearch::Found> found) {
            change([&] {
                if (found) {
                    focus_.searchFound(number, found->connection.toStdString(), found->path.toStdString(),
                                       found->password, now());
                } else {
                    focus_.searchFoundNothing(number, now());
                }
            });
        },
        this);
}

void AccessibilityWatcher::change(const std::function<void()>& change) {
    const FocusedField before = told_.value_or(focusedField());
    change();
    if (focus_.searchWanted(now())) {
        search();
    }
    wakeForNextChange();
    const FocusedField after = focusedField();
    if (after != before && onChange_) {
        told_ = after;
        onChange_();
    }
}

void AccessibilityWatcher::wakeForNextChange() {
    const double current = now();
    if (const auto due = focus_.nextChange(current)) {
        wake_.start(static_cast<int>(std::ceil((*due - current) * 1000)) + 1);
    } else {
        wake_.stop();
    }
}

} // namespace keyvane
