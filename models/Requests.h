#pragma once
// The requests of one model, each asked on a worker thread and answered on
// the main thread, so that no screen waits for the network.
//
// A request has a key. A newer request under the same key overtakes the
// older one: the older reply is dropped when it comes. forget() drops every
// reply still to come, and so does the end of the Requests (the model that
// owned them is gone). Only `ask` runs on the worker: it must touch nothing
// but what it was given and the thread-safe city layer. `answer` runs on the
// main thread, as do ask(), forget() and waiting().
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Thread.h"

namespace bus::models {

class Requests {
public:
    Requests() : state_(std::make_shared<State>()) {}
    ~Requests() { forget(); }
    Requests(const Requests&) = delete;
    Requests& operator=(const Requests&) = delete;

    template <class T>
    void ask(const std::string& key, std::function<T()> ask, std::function<void(T)> answer);
    // Asks each in its turn on one worker, so that the requests reach the
    // service in their order over one connection; `answer` gets each reply,
    // with its index, as soon as it is in. The key waits until the last.
    template <class T>
    void askInTurn(const std::string& key, std::vector<std::function<T()>> asks,
                   std::function<void(std::size_t, T)> answer);

    // Drops every reply still to come; the later requests of an askInTurn
    // not yet sent are not sent.
    void forget() {
        for (auto& [key, pending] : state_->pending) pending.wanted->store(false);
        state_->pending.clear();
    }
    bool waiting() const { return !state_->pending.empty(); }
    bool waiting(const std::string& key) const { return state_->pending.count(key) > 0; }

private:
    // Shared with the replies on their way: a reply finds here whether it is
    // still wanted. Main thread only.
    struct Pending {
        std::uint64_t id = 0;
        std::function<void(std::size_t, void*)> deliver;  // the index of the reply, its value
        // Read by the worker before each request it sends.
        std::shared_ptr<std::atomic<bool>> wanted = std::make_shared<std::atomic<bool>>(true);
    };
    struct State {
        std::uint64_t next = 0;
        std::map<std::string, Pending> pending;
    };
    // On the main thread: hands the value to the request `id` of `key` if it
    // is still wanted; the last reply ends the request.
    static void arrive(const std::weak_ptr<State>& state, const std::string& key, std::uint64_t id, std::size_t index,
                       bool last, void* value);
    std::shared_ptr<State> state_;
};

inline void Requests::arrive(const std::weak_ptr<State>& state, const std::string& key, std::uint64_t id,
                             std::size_t index, bool last, void* value) {
    const auto s = state.lock();
    if (!s) return;
    const auto it = s->pending.find(key);
    if (it == s->pending.end() || it->second.id != id) return;  // overtaken or forgotten
    // Kept apart from the table first: the answer may ask again under the same key.
    auto deliver = last ? std::move(it->second.deliver) : it->second.deliver;
    if (last) s->pending.erase(it);
    deliver(index, value);
}

template <class T>
void Requests::ask(const std::string& key, std::function<T()> ask, std::function<void(T)> answer) {
    askInTurn<T>(key, {std::move(ask)}, [answer = std::move(answer)](std::size_t, T value) { answer(std::move(value)); });
}

template <class T>
void Requests::askInTurn(const std::string& key, std::vector<std::function<T()>> asks,
                         std::function<void(std::size_t, T)> answer) {
    const std::uint64_t id = ++state_->next;
    if (const auto old = state_->pending.find(key); old != state_->pending.end()) {
        old->second.wanted->store(false);
        state_->pending.erase(old);
    }
    if (asks.empty()) return;
    // The answer stays on the main thread; the replies carry only their values.
    Pending& pending = state_->pending[key];
    pending.id = id;
    pending.deliver = [answer = std::move(answer)](std::size_t index, void* value) {
        answer(index, std::move(*static_cast<T*>(value)));
    };
    platform::detachNewThread([state = std::weak_ptr<State>(state_), wanted = pending.wanted, key, id,
                               asks = std::move(asks)] {
        // The first is always sent: each ask is a rider's action, and what it
        // asks reaches the service even when its reply will not be wanted.
        for (std::size_t i = 0; i < asks.size() && (i == 0 || wanted->load()); ++i) {
            auto value = std::make_shared<T>(asks[i]());
            const bool last = i + 1 == asks.size();
            platform::performOnMainThread([state, key, id, i, last, value] { arrive(state, key, id, i, last, value.get()); });
        }
    });
}

}  // namespace bus::models
