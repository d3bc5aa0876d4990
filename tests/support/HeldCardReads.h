#pragma once

// A card that holds every read of a recording until the test lets it go, as
// a card that hangs does (through the readers' hook, CardReads). One at a
// time; the hook is taken out again when it goes.

#include "core/foundation/CardReads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct HeldCardReads {
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline bool open = false;
    static inline std::atomic<int> reads{0}; // reads that reached the card
    static inline std::atomic<int> held{0};  // reads waiting now

    HeldCardReads()
    {
        open = false;
        reads = 0;
        CardReads::setBeforeReadHook(&hold);
    }
    // Lets every read go and waits until none is held any more, so that a
    // read of this test's is not held again by the next one's.
    ~HeldCardReads()
    {
        letGo();
        CardReads::setBeforeReadHook(nullptr);
        while (held.load() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    HeldCardReads(const HeldCardReads&) = delete;
    HeldCardReads& operator=(const HeldCardReads&) = delete;

    static void hold()
    {
        ++reads;
        ++held;
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(30), [] { return open; });
        --held;
    }
    static void letGo()
    {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    // Holds every read from now on again (after a letGo).
    static void shut()
    {
        const std::lock_guard lock(mutex);
        open = false;
    }
};
