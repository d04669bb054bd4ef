// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the services' tests: it answers each path as told
// (or never, to test time-outs) and keeps every request it received.

#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

namespace keyvane::testing {

class LocalHttpServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        bool silent = false; // accept the request and never answer
    };
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body;
    };

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    void serve(const QByteArray& path, Response response) { responses_[path] = std::move(response); }
    const std::vector<Request>& requests() const { return requests_; }

private:
    void onData(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        Request request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> first = lines.front().trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
            }
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headerEnd + 4 + length) {
            return;
        }
        request.body = buffer.mid(headerEnd + 4, length);
        buffers_.remove(socket);
        requests_.push_back(request);
        const Response response = responses_.value(request.path, Response{404, "not here", false});
        if (response.silent) {
            return;
        }
        socket->write("HTTP/1.1 " + QByteArray::number(response.status) +
                      " Status\r\nContent-Length: " + QByteArray::number(response.body.size()) +
                      "\r\nConnection: close\r\n\r\n" + response.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QByteArray, Response> responses_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    std::vector<Request> requests_;
};

} // namespace keyvane::testing
