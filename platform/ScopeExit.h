#pragma once
// The program's one scope guard: runs its action when the scope ends, also
// when an exception leaves it.
#include <utility>

namespace platform {

template <typename Action> class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Action action_;
};

} // namespace platform
