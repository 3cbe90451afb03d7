// Gives a variable another value until the end of the scope; the old one comes back then.
#pragma once

#include <utility>

namespace shell {

template <class T>
class ScopedOverride {
public:
    ScopedOverride(T& slot, T value) : m_slot(slot), m_previous(std::exchange(slot, std::move(value))) {}
    ~ScopedOverride() { m_slot = std::move(m_previous); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    T& m_slot;
    T m_previous;
};

}  // namespace shell
