#pragma once
// Runs a cleanup when a scope ends, also when an exception leaves it.
#include <utility>

template <typename F> class PGScopeExit {
public:
    explicit PGScopeExit(F f) : f_(std::move(f)) {}
    ~PGScopeExit() { f_(); }
    PGScopeExit(const PGScopeExit &) = delete;
    PGScopeExit &operator=(const PGScopeExit &) = delete;
private:
    F f_;
};
