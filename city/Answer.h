#pragma once
// What a request to a service gave: its value, whether it failed, and
// whether the value is the last good one kept from an earlier reply (the
// service could not be reached). A failed request still holds a value, the
// empty one, so that a screen which shows nothing either way reads it as it
// is; one that must tell "no answer" from "nothing to show" asks failed().
// A copy is not a failure: it is shown, marked with its age (asOf).
#include <utility>

namespace bus::city {

template <class T>
class Answer {
public:
    static Answer answered(T value) { return Answer(std::move(value), State::Answered, 0); }
    static Answer failure(T empty = {}) { return Answer(std::move(empty), State::Failed, 0); }
    // The value of a reply that came at `asOf` (seconds since 1970).
    static Answer fromCopy(T value, double asOf) { return Answer(std::move(value), State::Copied, asOf); }

    bool failed() const { return state_ == State::Failed; }
    bool fromCopy() const { return state_ == State::Copied; }
    // For a copy, when its reply came; 0 otherwise.
    double asOf() const { return asOf_; }
    const T& value() const& { return value_; }
    // By value from a temporary, so that a loop over a call's value keeps it.
    T value() && { return std::move(value_); }

private:
    enum class State { Answered, Failed, Copied };
    Answer(T value, State state, double asOf) : value_(std::move(value)), state_(state), asOf_(asOf) {}
    T value_;
    State state_;
    double asOf_;
};

}  // namespace bus::city
