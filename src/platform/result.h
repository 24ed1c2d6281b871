#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace velmora {

// Why something failed, in a sentence a person can act on; `code` is the
// library's own where one is known (SQLite's primary result code, errno).
struct Failure {
    std::string text;
    int code = 0;
};

// What a call that can fail gives back: its value, or the Failure. The one
// way the program reports an error to its caller.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return Ok(); }
    T& operator*() { return std::get<0>(m_state); }
    const T& operator*() const { return std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    // Only when not Ok().
    const Failure& Error() const { return std::get<1>(m_state); }
    // The failure's sentence; empty when Ok().
    std::string Why() const { return Ok() ? std::string() : Error().text; }

private:
    std::variant<T, Failure> m_state;
};

// A call that gives nothing back but may fail.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    bool Ok() const { return !m_failure; }
    explicit operator bool() const { return Ok(); }
    const Failure& Error() const { return *m_failure; }
    std::string Why() const { return Ok() ? std::string() : m_failure->text; }

private:
    std::optional<Failure> m_failure;
};

} // namespace velmora
