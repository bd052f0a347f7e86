#pragma once

#include <utility>
#include <variant>

namespace orbisel::core {

// The error side of a Result, for constructing one: `return Failure{reason};`.
template <class E> struct Failure { E error; };
template <class E> Failure(E) -> Failure<E>;

// A value or the reason there is none (std::expected is not yet available).
template <class T, class E> class Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    template <class F>
    Result(Failure<F> failure) : m_data(std::in_place_index<1>, std::move(failure.error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    T &value() & { return std::get<0>(m_data); }
    const T &value() const & { return std::get<0>(m_data); }
    T &&value() && { return std::get<0>(std::move(m_data)); }
    const E &error() const { return std::get<1>(m_data); }

    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

private:
    std::variant<T, E> m_data;
};

template <class E> class Result<void, E> {
public:
    Result() = default;
    template <class F> Result(Failure<F> failure) : m_error(std::move(failure.error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const E &error() const { return m_error; }

private:
    E m_error{};
    bool m_failed = false;
};

} // namespace orbisel::core
