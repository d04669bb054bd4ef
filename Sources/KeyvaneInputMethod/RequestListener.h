// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace keyvane {

// Where a host inside an input-method framework takes requests from later launches ("keyvane
// --pause 15m", "keyvane --resume"): a local socket in the user's private directory, one line in
// and one line out per connection, from processes of this user only. The framework's event loop
// watches `descriptor()` and calls `serve` when it can be read.
class RequestListener {
public:
    // Listens at the path (a socket left behind there is replaced); nothing, and why in `error`,
    // when it cannot.
    static std::unique_ptr<RequestListener> listen(const std::string& path, std::string* error = nullptr);
    ~RequestListener();
    RequestListener(const RequestListener&) = delete;
    RequestListener& operator=(const RequestListener&) = delete;

    int descriptor() const { return socket_; }
    // Answers every connection waiting: the request line (without its newline) in, the answer out.
    // A connection from another user, or one that sends no line within a short time, is closed
    // unanswered.
    void serve(const std::function<std::string(const std::string& request)>& answer);

private:
    RequestListener(int socket, std::string path);
    int socket_;
    std::string path_;
};

} // namespace keyvane
