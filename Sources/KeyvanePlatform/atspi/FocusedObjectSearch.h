// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <utility>

namespace keyvane {

// Looks through the objects a program shows on the accessibility bus for the one with the
// keyboard focus, breadth first from each of its connections' roots, down through what is
// showing, and asks whether it is a password field. Every question is asked without waiting; the
// answer comes once, through `done`, and never after the search is destroyed.
class FocusedObjectSearch : public QObject {
    Q_OBJECT

public:
    struct Found {
        QString connection;
        QString path;
        bool password = false;
    };
    // At most this many objects are looked at: a program showing more is not searched to the end.
    static constexpr int objectLimit = 4000;

    FocusedObjectSearch(QDBusConnection bus, const QStringList& connections,
                        std::function<void(std::optional<Found>)> done, QObject* parent = nullptr);

    // The (connection, path) of each object an answer to GetChildren lists ("a(so)").
    static QList<std::pair<QString, QString>> childrenOf(const QVariant& answer);

private:
    void visit(const QString& connection, const QString& path, bool root);
    void finish(std::optional<Found> found);
    void settled(); // one question answered: the search ends when none is left

    QDBusConnection bus_;
    std::function<void(std::optional<Found>)> done_;
    int pending_ = 0;
    int visited_ = 0;
    bool finished_ = false;
};

} // namespace keyvane
