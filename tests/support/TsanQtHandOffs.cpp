// Linked into the tests of a ThreadSanitizer build only (tests/app/CMakeLists.txt).
//
// Qt's own libraries are not built with the sanitizer: a task handed to the
// thread pool (QtConcurrent), and its result handed back through its future,
// pass under Qt's locks, which the sanitizer cannot see, so that every use of
// what a task was given, and of what it gave back, would look like a race.
// The definitions here stand in front of the Qt functions at both ends of
// that hand-over (a call from the program resolves to the program's own
// definition first), tell the sanitizer the order the locks give, and call
// Qt's own. They order the hand-over only; whatever else two threads share
// is checked as before.

#include <dlfcn.h>

extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

namespace {

// QFutureInterfaceBase holds its virtual table, then its shared state: the
// state is the one object the promise and all its futures have in common.
// (Read before the order is known: the reading itself is not checked.)
void* sharedState(const void* futureInterface)
{
    __tsan_ignore_thread_begin();
    void* state = *reinterpret_cast<void* const*>(static_cast<const char*>(futureInterface) + sizeof(void*));
    __tsan_ignore_thread_end();
    return state;
}

template <typename Function>
Function qtOwn(const char* name)
{
    return reinterpret_cast<Function>(dlvsym(RTLD_NEXT, name, "Qt_6"));
}

} // namespace

extern "C" {

// The task is complete when the pool is told to run it.
void _ZN20QFutureInterfaceBase11setRunnableEP9QRunnable(void* self, void* runnable)
{
    static const auto own = qtOwn<void (*)(void*, void*)>("_ZN20QFutureInterfaceBase11setRunnableEP9QRunnable");
    __tsan_release(sharedState(self));
    own(self, runnable);
}

// The first thing a task does on its pool thread.
bool _ZNK20QFutureInterfaceBase10isCanceledEv(const void* self)
{
    static const auto own = qtOwn<bool (*)(const void*)>("_ZNK20QFutureInterfaceBase10isCanceledEv");
    __tsan_acquire(sharedState(self));
    return own(self);
}

// The last thing a task does: its result is in.
void _ZN20QFutureInterfaceBase14reportFinishedEv(void* self)
{
    static const auto own = qtOwn<void (*)(void*)>("_ZN20QFutureInterfaceBase14reportFinishedEv");
    __tsan_release(sharedState(self));
    own(self);
}

// The last holder of a result frees it.
bool _ZNK20QFutureInterfaceBase6derefTEv(const void* self)
{
    static const auto own = qtOwn<bool (*)(const void*)>("_ZNK20QFutureInterfaceBase6derefTEv");
    __tsan_release(sharedState(self));
    const bool held = own(self);
    __tsan_acquire(sharedState(self));
    return held;
}

// Taken by a future before it reads a result.
void* _ZNK20QFutureInterfaceBase5mutexEv(const void* self)
{
    static const auto own = qtOwn<void* (*)(const void*)>("_ZNK20QFutureInterfaceBase5mutexEv");
    __tsan_acquire(sharedState(self));
    return own(self);
}

} // extern "C"
