// Test support: replaces one entry of a hook table (vm/core/hooks.h and its kin) for the
// life of the object and puts the previous entry back, so that a test's stand-in never
// reaches the tests after it.
#pragma once

template <typename Hook>
class HookScope {
public:
    HookScope(Hook& slot, Hook replacement) : slot_(slot), saved_(slot) { slot = replacement; }
    ~HookScope() { slot_ = saved_; }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;

private:
    Hook& slot_;
    Hook saved_;
};
