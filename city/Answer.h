#pragma once
// What a request to a service gave: its value, and whether it failed. A
// failed request still holds a value, the empty one, so that a screen which
// shows nothing either way reads it as it is; one that must tell "no answer"
// from "nothing to show" asks failed().
#include <utility>

namespace bus::city {

template <class T>
class Answer {
public:
    static Answer answered(T value) { return Answer(std::move(value), false); }
    static Answer failure(T empty = {}) { return Answer(std::move(empty), true); }

    bool failed() const { return failed_; }
    const T& value() const& { return value_; }
    // By value from a temporary, so that a loop over a call's value keeps it.
    T value() && { return std::move(value_); }

private:
    Answer(T value, bool failed) : value_(std::move(value)), failed_(failed) {}
    T value_;
    bool failed_;
};

}  // namespace bus::city
