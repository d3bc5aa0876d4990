#pragma once

#include <QSize>
#include <QString>
#include <QUrl>
#include <atomic>
#include <cstdint>

// The viewer's preferences, mirrored in static fields from the settings store
// (SettingsStore). load() copies the stored values in; each component writes
// its own key (and its static) when it changes a setting.
//
// The four display settings are read off the GUI thread (caption text of a
// trim job), so they are atomics.
class UserDefaultUtil {
public:
    UserDefaultUtil() = delete;

    // Stored keys, in the order load() visits them.
    static inline const QString KEY_DATE_FORMAT = QStringLiteral("DateFormat");
    static inline const QString KEY_TIME_ZONE = QStringLiteral("TimeZone");
    static inline const QString KEY_SUMMER_TIME = QStringLiteral("SummerTime");
    static inline const QString KEY_SPEED_METER = QStringLiteral("SpeedMeter");
    static inline const QString KEY_PATH_BACKUP = QStringLiteral("pathBackup");
    static inline const QString KEY_PATH_SELECT_FILE = QStringLiteral("pathSelectFile");
    static inline const QString KEY_MAP_ZOOM = QStringLiteral("mapZoom");
    static inline const QString KEY_MAP_DISP_BALOON = QStringLiteral("mapDispBaloon");
    static inline const QString KEY_MAP_TYPE_ID = QStringLiteral("mapTypeId");
    static inline const QString KEY_VIEWER_VOLUME = QStringLiteral("viewerVolume");
    static inline const QString KEY_VIEWER_IS_MUTE = QStringLiteral("viewerIsMute");
    static inline const QString KEY_VIEWER_GAMMA = QStringLiteral("viewerGamma");
    static inline const QString KEY_DISP_SPEED_METER = QStringLiteral("dispSpeedMeter");
    static inline const QString KEY_DISP_CIRCLE_CHART = QStringLiteral("dispCircleChart");
    static inline const QString KEY_DISP_CIRCLE_CHART_MAX_G = QStringLiteral("dispCircleChartMaxG");
    static inline const QString KEY_PATH_DIR_CUT = QStringLiteral("pathDirCut");
    static inline const QString KEY_EXP_DLG_DATE_TIME = QStringLiteral("expDlgDateTime");
    static inline const QString KEY_EXP_DLG_SPEED = QStringLiteral("expDlgSpeed");
    static inline const QString KEY_EXP_DLG_ACCELERATION = QStringLiteral("expDlgAcceleration");
    static inline const QString KEY_EXP_DLG_POINT = QStringLiteral("expDlgPoint");
    static inline const QString KEY_PATH_DIR_CAP = QStringLiteral("pathDirCap");
    static inline const QString KEY_PATH_DIR_GOOGLE_EARTH = QStringLiteral("pathDirGoogleEarth");
    static inline const QString KEY_FIRST_LAUNCH = QStringLiteral("TALMERO_ViewerFirstLaunch");

    // Keys that are not mirrored here; their users read and write them.
    static inline const QString KEY_CARD_DRIVE_SELECT = QStringLiteral("cardDriveSelect");
    static inline const QString KEY_BODY_CARD_DRIVE_SELECT = QStringLiteral("bodyCardDriveSelect");
    static inline const QString KEY_VIEWER_SETTING_FLG = QStringLiteral("viewerSettingFlg");
    static inline const QString KEY_CAMERA_SETTING_FLG = QStringLiteral("cameraSettingFlg");
    static inline const QString KEY_BACKUP_DIRECTORY_SETTING_FLG = QStringLiteral("backupDirectorySettingFlg");
    static inline const QString KEY_BACKUP_SETTING_FLG = QStringLiteral("backupSettingFlg");
    static inline const QString KEY_BACKUP_DELETE_FLG = QStringLiteral("backupDeleteFlg");

    // The full-scale values of the G-force chart, by index.
    static constexpr double CIRCLE_CHART_MAX_G[6] = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0};

    static inline std::atomic<std::uint8_t> dateFormat{0}; // DateFormatType raw value
    static inline std::atomic<std::uint8_t> timeZone{0};   // index into the zone table
    static inline std::atomic<bool> summerTime{false};
    static inline std::atomic<bool> speedMeter{true}; // true = km/h, false = MPH
    static QString pathBackup;
    static inline QString pathSelectFile;
    static inline qint64 mapZoom = 15;
    static inline bool mapDispBaloon = true;
    static inline QString mapTypeId = QStringLiteral("roadmap");
    static inline float viewerVolume = 1.0f;
    static inline bool viewerIsMute = false;
    static inline double viewerGamma = 1.0;
    static inline bool dispSpeedMeter = true;
    static inline bool dispCircleChart = true;
    static inline std::uint8_t dispCircleChartMaxG = 0;
    static inline QString pathDirCut;
    static inline bool expDlgDateTime = false;
    static inline bool expDlgSpeed = false;
    static inline bool expDlgAcceleration = false;
    static inline bool expDlgPoint = false;
    static inline QString pathDirCap;
    static QUrl pathDirGoogleEarth;
    static inline bool firstLaunch = false;

    // Not stored.
    static inline std::int8_t language = 0; // map page: 0 English, 1 French, 2 Spanish
    static inline QSize mapWindowSize{480, 294};

    static void load();

    // Readers for the viewer-settings dialog: the stored value, not the static.
    static bool readDateFormat();
    static std::uint8_t readTimeZone();
    static bool readSummerTime();
    static bool readSpeedMeter();

    // The user's Documents folder (path and file URL).
    static QString documentsPath();
    static QUrl documentsUrl();

    // Puts every static back to its value before any load (for tests).
    static void resetToInitialValues();
};

// Set when the user accepted the restart a changed viewer setting needs;
// the application relaunches itself at termination when it is set.
inline std::atomic<bool> restartRequested{false};
