#pragma once

// Helpers of the main-window tests: generated cards in a temporary folder,
// acting inside modal runs, alerts answered instead of shown, and waiting for
// plays whose chapters are loaded in the background.

#include "../support/HourlyTrips.h"
#include "../support/ModalHosts.h"
#include "CardGen.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/ChapterLoads.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace apptest {

// Settings in a file of the test's own, with the first start behind them (no
// viewer-settings offer) and every setting at its initial value.
inline void useOwnSettings(const QTemporaryDir& dir)
{
    SettingsStore::useFile(dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    UserDefaultUtil::resetToInitialValues();
}

// A main window that neither probes the network nor checks for updates.
inline ViewController::Options offlineOptions(bool withPlayer)
{
    ViewController::Options o;
    o.probeNetwork = false;
    o.checkForUpdates = false;
    o.withPlayer = withPlayer;
    return o;
}

using testtrips::START;

inline cardgen::TripOptions tripOf(int chapters, int hour, int seconds = 10)
{
    return testtrips::hourly(chapters, hour, seconds);
}

// A backup folder named name under root, as a backup makes it: a card's
// recordings and index files, without the card's version file (a folder
// holding it is a card's). The card is written under staging first.
inline QString makeBackupFolder(const QTemporaryDir& staging, const QString& root, const QString& name,
                                const cardgen::CardOptions& card)
{
    const auto w = cardgen::writeCard(staging.filePath(QStringLiteral("staging-") + name), card);
    const QString path = root + QLatin1Char('/') + name;
    QDir().rename(w.moveDir, path);
    QFile::remove(path + QStringLiteral("/ver.txt"));
    return path;
}

// Settings as after the first start, nothing else stored.
inline void resetSettings()
{
    auto s = SettingsStore::open();
    s->clear();
    s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    UserDefaultUtil::resetToInitialValues();
}

// Two trips (the first with a G shock and a switch press), a parked trip
// with a surveillance detection and a trip with an adventure recording.
inline cardgen::CardOptions mixedCard()
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(3, 1), tripOf(2, 2), tripOf(3, 3)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 3000, true},
                                  {cardgen::Incident::Kind::SwitchPress, 7000, true}};
    o.trips[2].drive.profile = cardgen::SpeedProfile::Parked;
    o.trips[2].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 4000, true}};
    o.trips[3].adventureFirstChapter = 1;
    o.trips[3].adventureChapters = 2;
    return o;
}

// The same, with the player.
inline ViewController::Options quiet()
{
    return offlineOptions(true);
}

// Settings and operation locks of this test only, in a folder of its own.
inline void useTemporaryStore(const QString& folder)
{
    SettingsStore::useFile(QDir(folder).filePath(QStringLiteral("settings.ini")));
    InstanceGuard::setLockDirectory(QDir(folder).filePath(QStringLiteral("locks")));
}

// Collects alerts and answers each with its first button.
struct AlertLog {
    QList<Alerts::Alert> alerts;
    AlertLog()
    {
        Alerts::setInterceptor([this](const Alerts::Alert& a) {
            alerts.append(a);
            return Alerts::FIRST_BUTTON;
        });
    }
    ~AlertLog() { Alerts::setInterceptor({}); }
    QStringList messages() const
    {
        QStringList out;
        for (const auto& a : alerts) out.append(a.message);
        return out;
    }
};

// Until the player is ready and the picture data of the chapter it stands in
// has arrived (it asks for it in the background as it gets there).
inline bool playerSettles(MoviePlayerView& player, int ms = 20000)
{
    return QTest::qWaitFor(
        [&player] {
            const auto chapter = player.loadedChapter();
            return player.isReady() && !(chapter && player.chapterLoads()->isLoading(chapter));
        },
        ms);
}

// Until the play asked for last has gone its way (the chapters it waited
// for arrived); what it came to: played (the player then settled) or refused
// after its checks.
inline bool lastPlaySettles(MainWindow& window, int ms = 20000)
{
    PlayController& road = *window.playController();
    if (!QTest::qWaitFor([&road] { return !road.isWaitingForChapters(); }, ms)) return false;
    return road.lastPlayResult() && playerSettles(*window.moviePlayerView(), ms);
}

// What a play request of the road came to: refused at once (asked, its
// answer, is false), else as lastPlaySettles().
inline bool played(MainWindow& window, bool asked, int ms = 20000)
{
    return asked && lastPlaySettles(window, ms);
}

} // namespace apptest
