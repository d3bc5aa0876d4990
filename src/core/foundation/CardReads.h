#pragma once

#include <atomic>

// Reads of a recording's bytes from the card, seen from the thread that
// makes them.
//
// A card may be slow (a worn SD card, a card reader on a hub): one read can
// take a large part of a second and a recording needs dozens of them. A
// thread that reads for something nobody wants any more (a catalogue being
// disposed, a load given up at quit) is told so through a stop flag, and the
// readers fail every further read at once instead of finishing the
// recording. The read in hand still ends by itself.
namespace CardReads {

// While alive, reads on this thread stop once `stop` is set. Scopes nest;
// the innermost one counts. Neither copied nor moved: it belongs to the
// thread and the block that made it.
class StopScope {
public:
    explicit StopScope(const std::atomic<bool>& stop);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    const std::atomic<bool>* m_outer;
};

// The stop flag of this thread's innermost scope is set.
bool stopRequested();

// Called by the readers before each read of a recording's bytes: false when
// the read is not to be made (stop requested). Runs the hook first.
bool beforeRead();

// Stands in for a slow card in tests and benchmarks: called before every
// read of a recording's bytes, on the reading thread (it may block). Null
// (the default): none.
using Hook = void (*)();
void setBeforeReadHook(Hook hook);

} // namespace CardReads
