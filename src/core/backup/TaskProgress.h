#pragma once

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

// The kind of long job that the task-progress dialog watches.
enum class TaskMode : std::uint8_t { Backup, Cleanup, Trim };

// A job's cancel request, shared between the dialog (GUI thread, sets it) and
// the job's worker thread (polls it). Copies share one flag, so the worker may
// keep its copy after the dialog has gone. Cancelling twice is harmless.
class TaskCancelFlag {
public:
    TaskCancelFlag() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}
    bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }
    void cancel() { m_flag->store(true, std::memory_order_release); }
    // Sleeps for up to ms milliseconds, less once the flag is set (checked
    // every 10 ms), so that a pause on a worker never holds up a cancel.
    void sleepUnlessCancelled(int ms) const
    {
        for (int left = ms; left > 0 && !isCancelled(); left -= 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 10)));
    }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

// The texts of the task-progress dialog, decided without a window.
namespace TaskProgress {

// Dots after the comment: a new dialog writes dotCount + 1 dots on its first
// tick, then one more every second, cycling through 11 lengths.
inline constexpr int FIRST_DOT_COUNT = 1;
inline constexpr int DOT_CYCLE = 11;

// The comment line of a job ("Backing up files", "Delete file",
// "Trimming video file."), translated.
QString comment(TaskMode mode);
// The title of the window that hosts the dialog ("Back up", "Delete",
// "Trim Tool"), translated.
QString windowTitle(TaskMode mode);

// "hh:mm:ss" of whole elapsed seconds; hours are not wrapped (100:00:00).
QString elapsedClock(double seconds);
// The elapsed-time line: the translated "elapsed time：" and the clock.
QString elapsedText(double seconds);

// The comment with its dots: every "." at both ends stripped, then
// dotCount + 1 dots appended.
QString commentWithDots(const QString& comment, int dotCount);
// The dot count after a tick.
int nextDotCount(int dotCount);

// The percent label of a job's progress: the whole percentage followed by
// the full-width percent sign for backup and clean-up, the ASCII one for the
// trim. Values outside 0..100 are clamped.
QString percentText(TaskMode mode, double percent);

} // namespace TaskProgress
