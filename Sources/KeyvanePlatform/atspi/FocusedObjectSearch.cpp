// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/atspi/FocusedObjectSearch.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QList>
#include <utility>

namespace keyvane {
namespace {

// AT-SPI's numbers: the password role, and the states in the first word of a state set.
constexpr unsigned int passwordTextRole = 40;
constexpr unsigned int focusedState = 1u << 12;
constexpr unsigned int showingState = 1u << 25;
constexpr unsigned int managesDescendantsState = 1u << 31; // long lists and tables: not walked
constexpr int questionTimeoutMs = 1000;

const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString nullPath = QStringLiteral("/org/a11y/atspi/null");

// The first word of a state set ("au").
unsigned int firstStateWord(const QVariant& value) {
    QList<unsigned int> words;
    if (value.canConvert<QDBusArgument>()) {
        value.value<QDBusArgument>() >> words;
    } else {
        words = value.value<QList<unsigned int>>();
    }
    return words.isEmpty() ? 0 : words.first();
}

} // namespace

QList<std::pair<QString, QString>> FocusedObjectSearch::childrenOf(const QVariant& value) {
    QList<std::pair<QString, QString>> result;
    if (!value.canConvert<QDBusArgument>()) {
        return result;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString service;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> service >> path;
        argument.endStructure();
        result.append({service, path.path()});
    }
    argument.endArray();
    return result;
}

FocusedObjectSearch::FocusedObjectSearch(QDBusConnection bus, const QStringList& connections,
                                         std::function<void(std::optional<Found>)> done, QObject* parent)
    : QObject(parent)
    , bus_(std::move(bus))
    , done_(std::move(done)) {
    for (const QString& connection : connections) {
        visit(connection, rootPath, true);
    }
    if (pending_ == 0) {
        finish(std::nullopt);
    }
}

void FocusedObjectSearch::visit(const QString& connection, const QString& path, bool root) {
    if (finished_ || path == nullPath || visited_ >= objectLimit) {
        return;
    }
    ++visited_;
    ++pending_;
    auto ask = [this, connection, path](const QString& method) {
        return new QDBusPendingCallWatcher(
            bus_.asyncCall(QDBusMessage::createMethodCall(connection, path, accessibleInterface, method),
                           questionTimeoutMs),
            this);
    };
    // The application's root has no state of its own; below it, only what shows can have the focus.
    if (root) {
        connect(ask(QStringLiteral("GetChildren")), &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* reply) {
                    reply->deleteLater();
                    if (!reply->isError()) {
                        for (const auto& [service, child] : childrenOf(reply->reply().arguments().value(0))) {
                            visit(service, child, false);
                        }
                    }
                    settled();
                });
        return;
    }
    connect(ask(QStringLiteral("GetState")), &QDBusPendingCallWatcher::finished, this,
            [this, connection, path, ask](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                const unsigned int states =
                    reply->isError() ? 0 : firstStateWord(reply->reply().arguments().value(0));
                if (finished_) {
                    return;
                }
                if ((states & focusedState) != 0) {
                    ++pending_;
                    connect(ask(QStringLiteral("GetRole")), &QDBusPendingCallWatcher::finished, this,
                            [this, connection, path](QDBusPendingCallWatcher* role) {
                                role->deleteLater();
                                QDBusPendingReply<unsigned int> answer = *role;
                                if (answer.isError()) {
                                    settled();
                                    return;
                                }
                                finish(Found{connection, path, answer.value() == passwordTextRole});
                            });
                } else if ((states & showingState) != 0 && (states & managesDescendantsState) == 0) {
                    ++pending_;
                    connect(ask(QStringLiteral("GetChildren")), &QDBusPendingCallWatcher::finished, this,
                            [this](QDBusPendingCallWatcher* list) {
                                list->deleteLater();
                                if (!list->isError()) {
                                    for (const auto& [service, child] :
                                         childrenOf(list->reply().arguments().value(0))) {
                                        visit(service, child, false);
                                    }
                                }
                                settled();
                            });
                }
                settled();
            });
}

void FocusedObjectSearch::settled() {
    if (--pending_ == 0 && !finished_) {
        finish(std::nullopt);
    }
}

void FocusedObjectSearch::finish(std::optional<Found> found) {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (done_) {
        done_(std::move(found));
    }
}

} // namespace keyvane
