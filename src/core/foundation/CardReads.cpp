#include "core/foundation/CardReads.h"

namespace CardReads {

namespace {

thread_local const std::atomic<bool>* t_stop = nullptr;
std::atomic<Hook> g_hook{nullptr};

} // namespace

StopScope::StopScope(const std::atomic<bool>& stop) : m_outer(t_stop)
{
    t_stop = &stop;
}

StopScope::~StopScope()
{
    t_stop = m_outer;
}

bool stopRequested()
{
    return t_stop != nullptr && t_stop->load();
}

bool beforeRead()
{
    if (stopRequested()) return false;
    if (const Hook hook = g_hook.load()) hook();
    return !stopRequested();
}

void setBeforeReadHook(Hook hook)
{
    g_hook.store(hook);
}

} // namespace CardReads
