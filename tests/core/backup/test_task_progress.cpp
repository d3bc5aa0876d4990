#include "core/backup/TaskProgress.h"

#include <QList>
#include <gtest/gtest.h>

#include <thread>

TEST(TaskProgress, ElapsedClockTruncatesAndNeverWrapsHours)
{
    EXPECT_EQ(TaskProgress::elapsedClock(0), "00:00:00");
    EXPECT_EQ(TaskProgress::elapsedClock(59.999), "00:00:59");
    EXPECT_EQ(TaskProgress::elapsedClock(3725), "01:02:05");
    EXPECT_EQ(TaskProgress::elapsedClock(100.0 * 3600), "100:00:00");
    EXPECT_EQ(TaskProgress::elapsedClock(-4), "00:00:00");
    EXPECT_TRUE(TaskProgress::elapsedText(3725).endsWith(u"\uFF1A01:02:05"));
}

TEST(TaskProgress, DotsStripBothEndsAndCycleThroughElevenLengths)
{
    EXPECT_EQ(TaskProgress::commentWithDots("Backing up files", TaskProgress::FIRST_DOT_COUNT), "Backing up files..");
    EXPECT_EQ(TaskProgress::commentWithDots("Trimming video file.", TaskProgress::FIRST_DOT_COUNT),
              "Trimming video file..");
    EXPECT_EQ(TaskProgress::commentWithDots("..Delete file.....", 0), "Delete file.");

    QString comment = "Delete file";
    int dots = TaskProgress::FIRST_DOT_COUNT;
    QList<int> lengths;
    for (int tick = 0; tick < 13; ++tick) {
        comment = TaskProgress::commentWithDots(comment, dots);
        dots = TaskProgress::nextDotCount(dots);
        lengths.append(int(comment.size() - QString("Delete file").size()));
    }
    EXPECT_EQ(lengths, (QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 2, 3}));
}

TEST(TaskProgress, PercentSignFollowsTheJob)
{
    EXPECT_EQ(TaskProgress::percentText(TaskMode::Backup, 42.9), u"42\uFF05");
    EXPECT_EQ(TaskProgress::percentText(TaskMode::Cleanup, 100), u"100\uFF05");
    EXPECT_EQ(TaskProgress::percentText(TaskMode::Trim, 16.67), "16%");
    EXPECT_EQ(TaskProgress::percentText(TaskMode::Trim, 250), "100%");
    EXPECT_EQ(TaskProgress::percentText(TaskMode::Trim, -3), "0%");
}

TEST(TaskProgress, CancelFlagIsSharedByCopiesAcrossThreads)
{
    TaskCancelFlag dialogSide;
    const TaskCancelFlag workerSide = dialogSide;
    std::thread worker([workerSide] {
        while (!workerSide.isCancelled())
            std::this_thread::yield();
    });
    dialogSide.cancel();
    dialogSide.cancel();
    worker.join();
    EXPECT_TRUE(workerSide.isCancelled());
}
