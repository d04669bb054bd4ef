// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The windows of another program as its accessibility tree shows them (AT-SPI, on the
// accessibility bus that the harness's session starts), so that a test reads what a window says,
// as a screen reader would. (Qt leaves popups, menus among them, out of this tree.)

#include "KeyvanePlatform/atspi/FocusedObjectSearch.h"

// clang-format off
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
// clang-format on
#include <functional>
#include <string>
#include <vector>

namespace keyvane::desktop {

class AccessibleTree {
public:
    AccessibleTree() {
        QDBusMessage reply = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
            QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            bus_ = QDBusConnection::connectToBus(reply.arguments().first().toString(), "keyvane-tests-a11y");
        }
    }
    ~AccessibleTree() { QDBusConnection::disconnectFromBus("keyvane-tests-a11y"); }

    // The names of every object in the windows of the process, depth first.
    std::vector<QString> names(qint64 pid) {
        std::vector<QString> all;
        for (const Object& application :
             children({"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"})) {
            if (processOf(application.service) != pid) {
                continue;
            }
            std::vector<Object> stack{application};
            while (!stack.empty()) {
                const Object object = stack.back();
                stack.pop_back();
                all.push_back(name(object));
                const std::vector<Object> below = children(object);
                stack.insert(stack.end(), below.rbegin(), below.rend());
            }
        }
        return all;
    }

private:
    struct Object {
        QString service;
        QString path;
    };
    QString name(const Object& object) {
        QDBusMessage call = QDBusMessage::createMethodCall(object.service, object.path,
                                                           "org.freedesktop.DBus.Properties", "Get");
        call << QString("org.a11y.atspi.Accessible") << QString("Name");
        const QDBusMessage reply = bus_.call(call, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return {};
        }
        return reply.arguments().first().value<QDBusVariant>().variant().toString();
    }
    std::vector<Object> children(const Object& object) {
        std::vector<Object> found;
        const QDBusMessage reply =
            bus_.call(QDBusMessage::createMethodCall(object.service, object.path, "org.a11y.atspi.Accessible",
                                                     "GetChildren"),
                      QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            for (const auto& [service, path] : FocusedObjectSearch::childrenOf(reply.arguments().value(0))) {
                found.push_back({service, path});
            }
        }
        return found;
    }
    qint64 processOf(const QString& service) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", "GetConnectionUnixProcessID");
        call << service;
        const QDBusMessage reply = bus_.call(call, QDBus::Block, 2000);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                   ? reply.arguments().first().toLongLong()
                   : -1;
    }

    QDBusConnection bus_{QString()};
};

} // namespace keyvane::desktop
