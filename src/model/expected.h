#pragma once
// A value or an error, for operations whose failures travel to the user as a
// message (the standard library's std::expected arrives only with C++23).

#include <utility>
#include <variant>

template <class T, class E>
class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return state_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const E& error() const& { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};
