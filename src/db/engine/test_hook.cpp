#include "db/engine/test_hook.h"

#include <atomic>

namespace db::testhook {

namespace {
std::atomic<Hook> g_hook{nullptr};
}

void set(Hook hook) {
    g_hook.store(hook);
}

void reach(const char *point) {
    if (const Hook hook = g_hook.load(std::memory_order_relaxed))
        hook(point);
}

} // namespace db::testhook
