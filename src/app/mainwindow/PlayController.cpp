#include "app/mainwindow/PlayController.h"

#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/ChapterLoads.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/PlayerView.h"
#include "app/shell/Alerts.h"
#include "app/shell/EXTextButton.h"
#include "app/tools/ToolController.h"
#include "core/catalog/ChapterData.h"
#include "core/catalog/RecordingList.h"
#include "core/catalog/TripData.h"
#include "core/mainwindow/OpenData.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <algorithm>

using CommonConst::ListType;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

// Clears the list's busy flag when a play ends, whichever way it ends.
class SelectRowChanging {
public:
    explicit SelectRowChanging(RecordingList& list) : m_list(list) { m_list.isSelectRowChanging = true; }
    ~SelectRowChanging() { m_list.isSelectRowChanging = false; }
    SelectRowChanging(const SelectRowChanging&) = delete;
    SelectRowChanging& operator=(const SelectRowChanging&) = delete;

private:
    RecordingList& m_list;
};

// Keeps the controller's loading flag raised for a callback's duration.
class LoadingBracket {
public:
    explicit LoadingBracket(ViewController& c) : m_c(c), m_was(c.isLoading()) { m_c.setLoading(true); }
    ~LoadingBracket() { m_c.setLoading(m_was); }
    LoadingBracket(const LoadingBracket&) = delete;
    LoadingBracket& operator=(const LoadingBracket&) = delete;

private:
    ViewController& m_c;
    bool m_was;
};

bool hasKnownFormat(const std::shared_ptr<const PictureData>& picture)
{
    return picture && picture->video && picture->video->_fileVersion == OpenData::KNOWN_FORMAT;
}

} // namespace

PlayController::PlayController(MainWindow* window, ViewController* controller, VideoListView* list,
                               MoviePlayerView* player)
    : QObject(window), m_window(window), m_controller(controller), m_list(list), m_player(player)
{
    m_tools = new ToolController(window, player);
    m_tools->setParent(this);
    m_player->setDelegate(this);
    m_controller->setPlayer(this);
    m_controller->setPlayRoad(this);
    connect(m_player->chapterLoads(), &ChapterLoads::chapterLoaded, this, &PlayController::chapterDidLoad);
    // A finished load starts without a stopwatch on screen.
    connect(m_controller, &ViewController::loadFinished, m_tools, &ToolController::updateStopWatchButton);
}

PlayController::~PlayController()
{
    if (m_player) m_player->setDelegate(nullptr);
    m_controller->setPlayer(nullptr);
    m_controller->setPlayRoad(nullptr);
}

RecordingList& PlayController::list() const
{
    return m_list->list();
}

std::shared_ptr<CardData> PlayController::card() const
{
    return m_controller->cardData();
}

// ---- the play road ----

bool PlayController::playListRow(ListType type, int row)
{
    bool result = false;
    switch (type) {
    case ListType::Trip:
        result = playTrip(row, 0, false, true);
        break;
    case ListType::Event:
        result = playEvent(row, false);
        break;
    case ListType::Surveillance:
        result = playSurveillance(row, false);
        break;
    case ListType::Adventure:
        result = playAdventure(row, 0, false);
        break;
    case ListType::TripChapter: {
        int parent = list().currentRow(ListType::Trip);
        if (parent < 0) parent = list().workRowTrip();
        if (row < 0 || row >= m_list->tripChapters().size()) break;
        playChapter(ListType::TripChapter, parent, row, false);
        result = true;
        break;
    }
    case ListType::AdvChapter: {
        const int parent = list().currentRow(ListType::Adventure);
        if (row < 0 || row >= m_list->adventureChapters().size()) break;
        playChapter(ListType::AdvChapter, parent, row, false);
        result = true;
        break;
    }
    }
    m_controller->updateWindowTitle();
    return result;
}

bool PlayController::playFirstRecording()
{
    const std::uint64_t before = m_playGeneration;
    m_quietOpenFailed = true;
    const bool trip = playTrip(0, 0, true, true);
    m_quietOpenFailed = false;
    if (waitsSince(before)) {
        // The trip waits for its first chapter: what follows a first trip
        // that cannot play follows once it went its way.
        m_pending->after = [this](bool played) {
            if (!played) playFirstSurveillance();
        };
        return true;
    }
    return trip || playSurveillance(0, true);
}

void PlayController::playFirstSurveillance()
{
    const std::shared_ptr<CardData> shown = card();
    const std::uint64_t before = m_playGeneration;
    const bool played = playSurveillance(0, true);
    const auto nothingToPlay = [this, shown] {
        // As the load tells it when nothing of the data can play (a missing
        // movie has reset the display and told the user already).
        if (card() != shown) return;
        Alerts::warning(m_window, tr("Unable to locate the file."));
        setSaveButtonEnabled(false, QString());
    };
    if (waitsSince(before)) {
        m_pending->after = [nothingToPlay](bool ok) {
            if (!ok) nothingToPlay();
        };
    } else if (!played) {
        nothingToPlay();
    }
}

bool PlayController::playTrip(int row, int chapterIndex, bool switchTab, bool resetView)
{
    return playTripOf(TripKind::Trip, row, chapterIndex, switchTab, resetView, {});
}

bool PlayController::playAdventure(int row, int chapterIndex, bool switchTab)
{
    // The cut range and the zoom are always reset for an adventure.
    return playTripOf(TripKind::Adventure, row, chapterIndex, switchTab, true, {});
}

bool PlayController::playTripOf(TripKind kind, int row, int chapterIndex, bool switchTab, bool resetView,
                                std::function<void(bool)> after)
{
    if (!m_player) return false;
    const bool adventure = kind == TripKind::Adventure;
    const ListType listType = adventure ? ListType::Adventure : ListType::Trip;
    RecordingList& rl = list();
    // A play that is still switching the list refuses another one, whatever
    // row it asks for.
    if (rl.isSelectRowChanging) return false;
    const int count = rl.rowCount(listType);
    if (row < 0 || row >= count) return false;
    SelectRowChanging busy(rl);

    if (resetView) {
        m_player->setCutSelection(false);
        m_player->hideZoomMenu();
    }
    if (!leaveForRow(row, listType, switchTab)) return false;

    const std::shared_ptr<TripData> trip = adventure ? rl.adventure(row) : rl.trip(row);
    if (!trip || !card()) return false;
    const ChapterList chapters = trip->chapterDataList();
    if (!allFilesExist(chapters)) return false;

    // Only the chapter the play starts in is checked.
    ChapterList needed;
    if (chapterIndex >= 0 && chapterIndex < chapters.size()) needed.append(chapters[chapterIndex]);
    return whenLoaded(
        adventure ? PlayType::Adventure : PlayType::Movie, needed,
        [this, kind, row, count, chapterIndex, trip, chapters] {
            return openTrip(kind, row, count, chapterIndex, trip, chapters);
        },
        std::move(after));
}

bool PlayController::leaveForRow(int row, ListType type, bool switchTab)
{
    m_player->pause();
    if (!m_controller->confirmStopwatchDiscard()) return false;
    // From here on this play replaces one still waiting for its chapters.
    cancelPendingPlay();

    m_list->resetCurrentRows();
    if (!m_list->selectRow(row, type, switchTab) && !m_list->selectRow(0, type, switchTab)) return false;

    m_player->closeMovie(false);
    m_player->updateDatetimeLabel();
    refreshDrivingInfo(false);
    if (MapViewInterface* map = m_controller->map()) map->clearRouteAndCar();
    return true;
}

bool PlayController::openTrip(TripKind kind, int row, int count, int chapterIndex, const std::shared_ptr<TripData>& trip,
                              const ChapterList& chapters)
{
    const bool adventure = kind == TripKind::Adventure;
    const ListType chapterType = adventure ? ListType::AdvChapter : ListType::TripChapter;
    RecordingList& rl = list();
    SelectRowChanging busy(rl);
    const std::shared_ptr<CardData> catalogue = card();
    if (!m_player || !catalogue) return false;

    if (chapterIndex >= 0 && chapterIndex < chapters.size()) {
        if (!hasKnownFormat(chapters[chapterIndex]->loadPicture(false))) {
            m_player->closeMovie(false);
            showUnreadable();
            return false;
        }
    }

    // The workers serve the played trip first, adventure trips included.
    catalogue->setActiveType(adventure ? CardData::ActiveType::AdventureRec : CardData::ActiveType::MovieRec);
    markActiveTrip(trip);

    const qint64 start = PictureDataUtil::position(chapters, chapterIndex, 0);
    auto info = std::make_shared<PlayMovieValueInfo>(chapters, catalogue->activeType());
    info->setCurrentValue(start);
    m_player->setValueInfo(info);

    const int failedBefore = m_openFailedCount;
    m_player->openMovie();
    m_player->updateDatetimeLabel();
    m_player->updateButtonState();
    m_player->updateDiffSecLabel();
    m_player->updateNavigationButtons();
    // A file that went away meanwhile: the player may have told already.
    if (m_openFailedCount != failedBefore || !allFilesExist(chapters)) {
        m_player->closeMovie(false);
        return false;
    }

    if (adventure) m_list->selectRow(chapterIndex, chapterType, false);
    if (m_player->autoPlay)
        m_player->play();
    else
        m_player->stop();
    rl.isSelectRowChanging = false;
    if (!adventure) m_list->selectRow(chapterIndex, chapterType, false);
    if (MapViewInterface* map = m_controller->map()) map->drawTripRoute(trip);

    // The refresh empties the panel while the movie is not ready yet, so the
    // chapters are given after it (once: each time the panel samples its
    // whole window).
    showPlayedRow(row, count);
    if (DrivingInfoViewInterface* panel = m_controller->drivingInfo()) panel->setChapterList(chapters);
    return true;
}

void PlayController::showPlayedRow(int row, int count)
{
    m_player->_isPrevTrip = row > 0;
    m_player->updateNavigationButtons();
    m_player->_isNextTrip = row < count - 1;
    m_player->updateNavigationButtons();
    m_tools->playListChanged();
    m_player->updateDatetimeLabel();
    refreshDrivingInfo(false);
}

void PlayController::markActiveTrip(const std::shared_ptr<TripData>& trip)
{
    const std::shared_ptr<CardData> catalogue = card();
    if (!catalogue) return;
    for (const auto& t : catalogue->tripList()) t->setActive(t == trip);
    for (const auto& t : catalogue->advTripList()) t->setActive(t == trip);
}

bool PlayController::playEvent(int row, bool switchTab)
{
    return playProtectedRecording(row, switchTab, ListType::Event);
}

bool PlayController::playSurveillance(int row, bool switchTab)
{
    return playProtectedRecording(row, switchTab, ListType::Surveillance);
}

bool PlayController::playProtectedRecording(int row, bool switchTab, ListType type)
{
    if (!m_player) return false;
    RecordingList& rl = list();
    if (rl.isSelectRowChanging) return false;
    const int count = rl.rowCount(type);
    if (row < 0 || row >= count) return false;
    SelectRowChanging busy(rl);

    m_player->setCutSelection(false);
    m_player->hideZoomMenu();
    if (!leaveForRow(row, type, switchTab)) return false;

    const int current = rl.currentRow(type);
    const std::shared_ptr<MoveProtectInfo> record = type == ListType::Event ? rl.event(current) : rl.surveillance(current);
    const std::shared_ptr<CardData> catalogue = card();
    if (!record || !catalogue) return false;
    const ChapterWindow window =
        type == ListType::Event ? catalogue->eventChapterList(*record) : catalogue->surveillanceChapterList(*record);
    if (!window.chapters) {
        showOpenFailed();
        return false;
    }
    const ChapterList& chapters = *window.chapters;
    if (chapters.isEmpty()) {
        m_player->closeMovie(false);
        showUnreadable();
        return false;
    }
    if (!allFilesExist(chapters)) return false;
    // Every chapter of the window is checked.
    const PlayType playType = type == ListType::Event ? PlayType::Event : PlayType::Surveillance;
    return whenLoaded(playType, chapters, [this, row, count, record, window] {
        return openProtectedRecording(row, count, record, window);
    });
}

bool PlayController::openProtectedRecording(int row, int count, const std::shared_ptr<MoveProtectInfo>& record,
                                            const ChapterWindow& window)
{
    RecordingList& rl = list();
    SelectRowChanging busy(rl);
    const std::shared_ptr<CardData> catalogue = card();
    if (!m_player || !catalogue || !window.chapters) return false;
    const ChapterList& chapters = *window.chapters;
    if (!checkFormatCode(chapters)) {
        m_player->closeMovie(false);
        showUnreadable();
        return false;
    }

    catalogue->setActiveType(CardData::ActiveType::EventRec);
    const int failedBefore = m_openFailedCount;
    m_player->showMovie(*catalogue, record);
    if (m_openFailedCount != failedBefore || !allFilesExist(chapters)) {
        m_player->closeMovie(false);
        return false;
    }
    if (m_player->autoPlay)
        m_player->play();
    else
        m_player->stop();
    rl.isSelectRowChanging = false;
    if (MapViewInterface* map = m_controller->map()) map->drawWindowRoute(chapters, window.minValue, window.maxValue);

    showPlayedRow(row, count);
    if (DrivingInfoViewInterface* panel = m_controller->drivingInfo()) panel->setAccident(*catalogue, record);
    return true;
}

bool PlayController::checkFormatCode(const ChapterList& chapters)
{
    return std::all_of(chapters.begin(), chapters.end(), [](const std::shared_ptr<ChapterData>& chapter) {
        return chapter && hasKnownFormat(chapter->loadPicture(false));
    });
}

// ---- waiting for the chapters a play needs ----

bool PlayController::whenLoaded(PlayType type, const ChapterList& needed, std::function<bool()> go,
                                std::function<void(bool)> after)
{
    cancelPendingPlay();
    const std::uint64_t generation = ++m_playGeneration;
    ChapterLoads* loads = m_player->chapterLoads();
    ChapterList awaited;
    for (const auto& chapter : needed)
        if (chapter && !awaited.contains(chapter) && loads->request(chapter)) awaited.append(chapter);
    if (awaited.isEmpty()) {
        m_lastPlayResult = go();
        if (after) after(m_lastPlayResult);
        return m_lastPlayResult;
    }
    m_pending = PendingPlay{generation, type, awaited, card(), m_quietOpenFailed, std::move(go), std::move(after)};
    setLoadingTextVisible(true);
    return true;
}

PlayType PlayController::playingType() const
{
    return m_pending ? m_pending->type : m_player->_valueInfo->_playType;
}

bool PlayController::waitsSince(std::uint64_t generation) const
{
    return m_pending && m_pending->generation > generation;
}

void PlayController::cancelPendingPlay()
{
    if (!m_pending) return;
    m_pending.reset();
    ++m_playGeneration;
    setLoadingTextVisible(false);
}

void PlayController::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    // What the catalogue's workers find loaded they do not report: the views
    // that follow loaded chapters hear of this one from here.
    // (The data on show is never a disposed catalogue: it is replaced first.)
    const std::shared_ptr<TripData> trip = chapter ? chapter->parent() : nullptr;
    if (trip && trip->parent() == card() && chapter->hasPicture()) m_controller->tripRouteDidLoad(chapter);
    if (!m_pending || !m_pending->awaited.removeOne(chapter) || !m_pending->awaited.isEmpty()) return;
    goOnWithPendingPlay(m_pending->generation);
}

void PlayController::goOnWithPendingPlay(std::uint64_t generation)
{
    if (!m_pending || m_pending->generation != generation) return;
    if (list().isSelectRowChanging) {
        // Another play is switching the list (inside one of its questions or
        // alerts): it goes first, and replaces this one if it plays.
        QTimer::singleShot(20, this, [this, generation] { goOnWithPendingPlay(generation); });
        return;
    }
    PendingPlay pending = std::move(*m_pending);
    m_pending.reset();
    setLoadingTextVisible(false);
    // Other data opened meanwhile: the play belonged to the data gone.
    if (!m_player || pending.card.lock() != card()) {
        m_lastPlayResult = false;
        return;
    }
    const bool quiet = m_quietOpenFailed;
    m_quietOpenFailed = pending.quiet;
    m_lastPlayResult = pending.go();
    m_quietOpenFailed = quiet;
    m_controller->updateWindowTitle();
    if (pending.after) pending.after(m_lastPlayResult);
}

void PlayController::playChapter(ListType type, int parentRow, int chapterRow, bool switchTab)
{
    if (!m_player) return;
    RecordingList& rl = list();
    switch (type) {
    case ListType::Event:
        if (m_list->selectRow(parentRow, ListType::Event, switchTab) && parentRow >= 0
            && parentRow < rl.events().size())
            playEvent(parentRow, switchTab);
        return;
    case ListType::Surveillance:
        if (parentRow >= 0 && parentRow < rl.surveillances().size()) playSurveillance(parentRow, switchTab);
        return;
    case ListType::Trip:
    case ListType::Adventure:
        return;
    case ListType::TripChapter:
    case ListType::AdvChapter:
        break;
    }
    const bool adventure = type == ListType::AdvChapter;
    const ListType parentType = adventure ? ListType::Adventure : ListType::Trip;
    if (parentRow < 0 || parentRow >= rl.rowCount(parentType)) return;
    const std::shared_ptr<TripData> trip = adventure ? rl.adventure(parentRow) : rl.trip(parentRow);
    if (!trip) return;
    const ChapterList chapters = trip->chapterDataList();
    const auto& info = m_player->_valueInfo;
    const PlayType wanted = adventure ? PlayType::Adventure : PlayType::Movie;
    const auto selectPlayedChapter = [this, type, switchTab] {
        m_list->selectRow(int(m_player->trackbar->valueInfo()->currentIndex()), type, switchTab);
    };
    if (info->_playType == wanted && info->_chapterDataList == chapters) {
        // The trip is open already: only the position moves.
        const ChapterList shown = adventure ? m_list->adventureChapters() : m_list->tripChapters();
        const qint64 position = PictureDataUtil::position(shown, chapterRow, 0);
        m_player->changeChapter(m_player->playStatus(), position);
        refreshDrivingInfo(false);
        selectPlayedChapter();
        return;
    }
    playTripOf(adventure ? TripKind::Adventure : TripKind::Trip, parentRow, chapterRow, switchTab, true,
               [selectPlayedChapter](bool played) {
                   if (played) selectPlayedChapter();
               });
}

bool PlayController::allFilesExist(const ChapterList& chapters)
{
    for (const auto& chapter : chapters) {
        const QString path = chapter ? chapter->_pathMp4.toLocalFile() : QString();
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            showOpenFailed();
            return false;
        }
    }
    return true;
}

void PlayController::showUnreadable()
{
    Alerts::Alert alert;
    alert.title = Alerts::titleWarning();
    alert.message = tr("Unable to read the selected file.");
    alert.style = Alerts::Style::Critical;
    alert.buttons = {Alerts::buttonOk()};
    Alerts::show(m_window, alert);
}

// ---- the player's callbacks ----

void PlayController::playerPositionChanged()
{
    if (!m_player) return;
    refreshDrivingInfo(m_player->isPlaying());
    m_player->trackbar->valueInfo()->setCurrentValue(m_player->trackbar->integerValue());
    m_tools->positionChanged();
}

void PlayController::playerFollowedChapterLengths()
{
    m_tools->chapterLengthsFollowed();
}

void PlayController::playerDidReachEnd()
{
    if (!m_player) return;
    LoadingBracket loading(*m_controller);
    if (!m_player->isReady() || m_player->currentStatus() == PlayStatus::NotReady) {
        m_controller->updateWindowTitle();
        return;
    }
    const qsizetype index = m_player->_valueInfo->currentIndex();
    const PlayType type = m_player->_valueInfo->_playType;
    if (type == PlayType::Movie || type == PlayType::Adventure) {
        const bool adventure = type == PlayType::Adventure;
        const ListType chapterType = adventure ? ListType::AdvChapter : ListType::TripChapter;
        const qsizetype chapters = adventure ? m_list->adventureChapters().size() : m_list->tripChapters().size();
        if (index >= 0 && index < chapters && list().currentRow(chapterType) != index)
            m_list->selectRow(int(index), chapterType, false);
    }
    refreshDrivingInfo(false);
    m_controller->updateWindowTitle();
}

void PlayController::refreshDrivingInfo(bool animated)
{
    m_controller->refreshDrivingInfo(animated);
}

void PlayController::showOpenFailed()
{
    ++m_openFailedCount;
    if (m_quietOpenFailed) {
        // The load's first trip: the first surveillance recording may
        // still play, over the catalogue just read.
        m_tools->updateStopWatchButton();
        return;
    }
    // Files of the opened source have gone (the card was pulled, a folder
    // deleted): what was read of it is given up as before another load.
    m_controller->resetForLoad();
    m_tools->updateStopWatchButton();
    if (m_player) m_player->leaveFullScreen();
    if (isFullscreen()) toggleFullScreen();
    setFullScreenLayout(false);
    Alerts::Alert alert;
    alert.title = Alerts::titleWarning();
    alert.message = tr("Unable to locate the file.");
    alert.style = Alerts::Style::Warning;
    Alerts::show(m_window, alert);
}

void PlayController::showPlayFailed()
{
    if (m_player) m_player->leaveFullScreen();
    if (isFullscreen()) toggleFullScreen();
    setFullScreenLayout(false);
    Alerts::Alert alert;
    alert.title = Alerts::titleWarning();
    alert.message = tr("The current video data could not be loaded. Please restart the application and try again. "
                       "If still unsuccessful, please select another chapter for playback.");
    alert.style = Alerts::Style::Warning;
    alert.buttons = {Alerts::buttonOk()};
    Alerts::show(m_window, alert);
}

void PlayController::updateSaveButton()
{
    // Backups are made from a card only; the kind is the opened data's,
    // not the chooser's last (maybe cancelled) choice.
    if (m_controller->backupFlg())
        setSaveButtonEnabled(true, tr("Save"));
    else
        setSaveButtonEnabled(false, QString());
}

void PlayController::setFullScreenLayout(bool fullScreen)
{
    m_controller->setFullScreenLayout(fullScreen);
}

bool PlayController::isFullscreen() const
{
    return m_window->isFullScreen();
}

void PlayController::toggleFullScreen()
{
    if (m_window->isFullScreen())
        m_window->showNormal();
    else
        m_window->showFullScreen();
}

void PlayController::showOpenDialog()
{
    m_controller->showOpenDialog();
}

void PlayController::showCameraSettings()
{
    m_controller->showCameraSettings();
}

void PlayController::showBackupDialog()
{
    m_controller->showBackupDialog();
}

std::shared_ptr<ChapterData> PlayController::currentChapter() const
{
    return m_player ? m_player->currentChapterData() : nullptr;
}

void PlayController::exportGoogleEarth()
{
    if (MapViewInterface* map = m_controller->map()) map->exportGoogleEarth();
}

void PlayController::playPreviousItem()
{
    if (!m_player) return;
    LoadingBracket loading(*m_controller);
    RecordingList& rl = list();
    switch (playingType()) {
    case PlayType::Movie:
        if (const int row = rl.currentRow(ListType::Trip) - 1; row >= 0) playTrip(row, 0, false, true);
        break;
    case PlayType::Surveillance:
        if (const int row = rl.currentRow(ListType::Surveillance) - 1; row >= 0) playSurveillance(row, false);
        break;
    case PlayType::Event:
        if (const int row = rl.currentRow(ListType::Event) - 1; row >= 0) playEvent(row, false);
        break;
    case PlayType::Adventure:
        if (const int row = rl.currentRow(ListType::Adventure) - 1; row >= 0) playAdventure(row, 0, false);
        break;
    }
    m_controller->updateWindowTitle();
    m_list->reloadList();
}

void PlayController::playNextItem()
{
    if (!m_player) return;
    LoadingBracket loading(*m_controller);
    RecordingList& rl = list();
    const auto next = [&rl](ListType type) {
        const int current = rl.currentRow(type);
        return current + 1 < rl.rowCount(type) ? current + 1 : -1;
    };
    switch (playingType()) {
    case PlayType::Movie:
        if (const int row = next(ListType::Trip); row >= 0) playTrip(row, 0, false, true);
        break;
    case PlayType::Surveillance:
        if (const int row = next(ListType::Surveillance); row >= 0) playSurveillance(row, false);
        break;
    case PlayType::Event:
        if (const int row = next(ListType::Event); row >= 0) playEvent(row, false);
        break;
    case PlayType::Adventure:
        if (const int row = next(ListType::Adventure); row >= 0) playAdventure(row, 0, false);
        break;
    }
    m_controller->updateWindowTitle();
    m_list->reloadList();
}

void PlayController::playerControlEvent(std::uint8_t code)
{
    switch (code) {
    case 1:
    case 2:
        playerDidReachEnd();
        break;
    case 3:
        playPreviousItem();
        break;
    case 4:
        playNextItem();
        break;
    case 5:
        break;
    case 7:
        // The stopwatch stops; the cut range ends with the stop.
        m_tools->playerStopped();
        if (m_player && m_player->trackbar->selectFrame()) m_player->setCutSelection(false);
        break;
    default:
        refreshDrivingInfo(false);
        break;
    }
}

// ---- the player as the controller sees it ----

bool PlayController::isReadyToPlay() const
{
    return m_player && m_player->isReady() && m_player->currentStatus() != PlayStatus::NotReady;
}

void PlayController::pause()
{
    if (m_player) m_player->pause();
}

void PlayController::closeMovie(bool loading)
{
    // The display is reset (another source, a load that failed): a play
    // waiting for its chapters goes with it.
    cancelPendingPlay();
    if (m_player) m_player->closeMovie(loading);
}

bool PlayController::autoPlay() const
{
    return m_player && m_player->autoPlay;
}

void PlayController::setAutoPlay(bool autoPlay)
{
    if (m_player) m_player->autoPlay = autoPlay;
}

void PlayController::play()
{
    if (m_player) m_player->play();
}

void PlayController::setLoadingTextVisible(bool visible)
{
    if (!m_player) return;
    m_player->loadingText->setText(visible ? tr("Now Loading") : QString());
    m_player->loadingText->setVisible(visible);
}

void PlayController::setSaveButtonEnabled(bool enabled, const QString& toolTip)
{
    if (!m_player) return;
    m_player->saveButton->setEnabled(enabled);
    m_player->saveButton->setToolTip(toolTip);
}

void PlayController::applyStartupSettings(float volume, bool mute, double gamma)
{
    if (!m_player) return;
    m_player->updateButtonState();
    m_player->setVolume(volume);
    m_player->setIsMute(mute);
    m_player->setGamma(gamma);
}

WindowTitleState PlayController::windowTitleState() const
{
    WindowTitleState state;
    if (!m_player) return state;
    const auto& info = m_player->_valueInfo;
    for (const auto& chapter : info->_chapterDataList)
        state.chapterMoviePaths.append(chapter ? chapter->_pathMp4.toLocalFile() : QString());
    state.currentIndex = info->currentIndex();
    state.playerReady = m_player->isReady();
    state.playStatus = m_player->currentStatus();
    state.playType = info->_playType;
    return state;
}

bool PlayController::isMute() const
{
    return m_player && m_player->adjustments().isMute();
}

double PlayController::brightness() const
{
    return m_player ? m_player->brightSlider->doubleValue() : 1.0;
}

void PlayController::fullScreenDidChange(bool fullScreen)
{
    if (!m_player) return;
    if (fullScreen && m_player->playerView->playerScale != PlayerView::ScaleType::Scale_x1)
        m_player->zoomController().zoomToScale1();
    m_player->fullscreenButton->setChecked(fullScreen);
    const bool enabled = m_player->fullscreenButton->isEnabled();
    m_player->fullscreenButton->setToolTip(!enabled ? QString()
                                           : fullScreen ? tr("Close full screen")
                                                        : tr("Full Screen Display"));
}

void PlayController::setToolsVisible(bool visible)
{
    if (m_player) m_player->toolsView->setVisible(visible);
}

// ---- the tools ----

void PlayController::showStopWatch()
{
    m_tools->showStopWatch();
}

void PlayController::hideStopWatch()
{
    m_tools->hideStopWatch();
}

void PlayController::openToolWindow(std::uint8_t code)
{
    m_tools->openToolWindow(code);
}
