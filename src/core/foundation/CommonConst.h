#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// Application-wide constants and the small enumerations the views and the
// readers share. Values that depend on the running system are computed once,
// on first use, and never change afterwards.
namespace CommonConst {

inline const QString FILE_NAME_VREC = QStringLiteral("VREC_MOV_MNG.DAT");
inline const QString FILE_NAME_PRCT = QStringLiteral("MOV_PRCT.DAT");
inline const QString FILE_NAME_ADVP = QStringLiteral("ADV_PRCT.DAT");
inline const QString FILE_NAME_SETTING_READ = QStringLiteral("SETINF.DAT");
inline const QString FILE_NAME_SETTING_WRITE = QStringLiteral("GROUP.DAT");
inline constexpr std::int32_t FILE_SIZE_SETTING_WRITE = 32768;
inline const QString DIR_PATH_CARD_SUBDIR = QStringLiteral("MOVE");

// Movie-file name patterns, matched case-insensitively (see Regex). Each
// matches a whole name up to its very end (\z, not $, which would let a
// trailing newline through) or, for the folder pattern, the end of a relative
// path: "m2026031508300003.MP4x" or "....MP4~" beside a movie is no movie.
// The 16-digit shape is how the index files name a movie.
inline const QString PATTERN_MOVE = QStringLiteral("^\\w{17}\\.MP4\\z");
inline const QString PATTERN_MOVE_REGEX_DIR = QStringLiteral("^*move[0-9]+/\\w+\\.[mM][pP]4\\z");
inline const QString PATTERN_MOVE_REGEX_FILE = QStringLiteral("^m[0-9]{16}\\.[mM][pP]4\\z");
inline const QString PATTERN_MOVE_REGEX_FILE2 = QStringLiteral("^[0-9]{12}_[0-9]{4}\\.[mM][pP]4\\z");
inline const QString PATTERN_MOVE_REGEX_INFO = QStringLiteral("^[0-9]{16}(\\.[mM][pP]4)?\\z");

inline const QString EVT_FILENAME = QStringLiteral("Video.dat");
inline const QString MOVIE_FILENAME_PRE = QStringLiteral("M");
inline const QString AACSOUND_FILE = QStringLiteral("sound.dat");
inline const QString CHANNEL1_TMP_FILE = QStringLiteral("channel1.dat");
inline const QString CHANNEL2_TMP_FILE = QStringLiteral("channel2.dat");

// The application's private temporary folder: a folder of this user's own
// (mode 0700, named with the user id) in the system temporary directory,
// followed by "TMP/". Created on first use. Ends with "/".
const QString& DIR_PATH_TMP();
const QString& DIR_PATH_THUMB(); // DIR_PATH_TMP + "THUMB/"
const QString& DIR_PATH_MAP();   // DIR_PATH_TMP + "MAP/"

inline constexpr int EVENT_TIME_SPAN_FRONT = 12000;
inline constexpr int EVENT_TIME_SPAN_BACK = 8000;
inline constexpr int SURV_TIME_SPAN_BACK = 60000;
inline constexpr int MIN_CUTMOVIE = 2000;
inline constexpr int MAX_CUTMOVIE = 1800000;

inline constexpr float REC_MODE_FPS_HQ = 28.0f;
inline constexpr float REC_MODE_FPS_NOMAL = 28.0f;
inline constexpr float REC_MODE_FPS_LONG_REC = 28.0f;

inline constexpr double GAMMA_MIN = 0.1;
inline constexpr double GAMMA_MAX = 5.0;
inline constexpr double GAMMA_DEFAULT = 1.0;
inline constexpr double CAPTION_SIZE_BASE = 30.0;
inline constexpr double CAPTION_HEIGHT_BASE = 1080.0;

inline const QString APP_TITLE = QStringLiteral("KORVELTA REPLAY");
inline const QString FMT_FORM_TITLE_DEFAULT = APP_TITLE;
// Localized "Recording always on" / "Event recording", looked up at first use.
const QString& FMT_FORM_TITLE_MOVIE();
const QString& FMT_FORM_TITLE_EVENT();

// Background of the main window and the detached map window: opaque black, as ARGB.
inline constexpr std::uint32_t FROM_BACKGROUND_COLOR = 0xFF000000u;

// The platform's "distant past": 0001-01-01 00:00:00 UTC.
const QDateTime& DEFAULT_DATE();
// "VARNOKI-SEL." followed by two zero bytes (14 bytes).
const QByteArray& IMAGE_DATA_IDENTIFIER();

// The height of a caption drawn over a picture of the given height.
inline double captionSize(double pictureHeight)
{
    return pictureHeight * CAPTION_SIZE_BASE / CAPTION_HEIGHT_BASE;
}

enum class PlayStatus : std::uint8_t { NotReady = 0, Play = 1, Pause = 2, Stop = 3 };
enum class PlayType : std::uint8_t { Event = 0, Movie = 1, Surveillance = 2, Adventure = 3 };
enum class ListType : std::uint8_t { Trip = 0, Event = 1, Surveillance = 2, Adventure = 3, TripChapter = 4, AdvChapter = 5 };
enum class MouseStatus : std::uint8_t { MouseDown = 0, MouseDragged = 1, MouseUp = 2 };
enum class RecMode : std::uint8_t { HighQuality = 0, Nomal = 1, LongRec = 2 };

float fpsOf(RecMode mode);

} // namespace CommonConst

// Icons of map markers and of a frame's compass heading (one byte: every
// frame of a card carries one).
enum class IconId : std::int8_t {
    None = 1,
    GDetection = 2,
    SpeedOver = 3,
    Accel = 4,
    Brake = 5,
    Handle = 6,
    Idling = 53,
    OverEngineSpeed = 62,
    North = 9,
    NorthEast = 8,
    East = 7,
    SouthEast = 14,
    South = 13,
    SouthWest = 12,
    West = 11,
    NorthWest = 10,
    PlaybackGDetection = 15,
    PlaybackSpeedOver = 16,
    PlaybackAccel = 17,
    PlaybackBrake = 18,
    PlaybackHandle = 19,
    PlaybackIdling = 54,
    PlaybackOverEngineSpeed = 63,
    NNEast = 20,
    NorthEE = 21,
    SouthEE = 22,
    SSEast = 23,
    SSWest = 24,
    SouthWW = 25,
    NorthWW = 26,
    NNWest = 27,
    Pin_Red = 60,
    Pin_Blue = 61,
    Pin_Gray = 65,
    Pin_Red_focus = 66,
    Pin_Blue_focus = 67,
    Pin_Gray_focus = 68,
};
std::optional<IconId> iconIdFromRaw(int raw);

// The driving event a frame record flags (one byte, as IconId).
enum class ViolationType : std::int8_t {
    All = -1,
    Overspeed = 0,
    Accel = 1,
    Decel = 2,
    Swerve = 3,
    Idling = 4,
    GDetection = 5,
    LongRun = 6,
    OverEnginespeed = 7,
    VelocityGDetection = 8,
};
std::optional<ViolationType> violationTypeFromRaw(int raw);
