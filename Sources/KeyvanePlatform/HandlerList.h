// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/Registration.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace keyvane {

// The handlers of one kind of event, in the order they were added. A registration may outlive the
// list (it then takes nothing out); a handler may add or take out handlers while it is called.
template <typename... Args> class HandlerList {
public:
    using Handler = std::function<void(Args...)>;

    Registration add(Handler handler) {
        const int id = entries_->nextID++;
        entries_->handlers.emplace_back(id, std::make_shared<Handler>(std::move(handler)));
        return Registration([weak = std::weak_ptr<Entries>(entries_), id] {
            if (auto entries = weak.lock()) {
                std::erase_if(entries->handlers, [id](const Entry& entry) { return entry.first == id; });
            }
        });
    }

    // Calls each handler registered now that is still registered when its turn comes.
    void call(Args... args) const {
        const std::vector<Entry> now = entries_->handlers;
        for (const auto& [id, handler] : now) {
            if (std::any_of(entries_->handlers.begin(), entries_->handlers.end(),
                            [id](const Entry& entry) { return entry.first == id; })) {
                (*handler)(args...);
            }
        }
    }

    bool empty() const { return entries_->handlers.empty(); }

private:
    using Entry = std::pair<int, std::shared_ptr<Handler>>;
    struct Entries {
        int nextID = 0;
        std::vector<Entry> handlers;
    };
    std::shared_ptr<Entries> entries_ = std::make_shared<Entries>();
};

} // namespace keyvane
