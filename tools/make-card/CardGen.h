#pragma once

// kr_cardgen: a deterministic generator of synthetic recorder cards.
//
// Everything here is written byte by byte from the recorder's own layouts
// (never through the application's readers), so that a misreading in a
// reader shows up as a failing test instead of being mirrored by the fixture.
//
// Units follow the recorder: positions in 1/36000 degree (negative west and
// south), speed in km/h (stored in tenths), G in milli-g, time stamps in ms of
// the recorder's clock, times in whole seconds since 1970 UTC.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace cardgen {

using Record8 = std::array<quint8, 8>;

// ---------------------------------------------------------------------------
// Field encoders (pure; no files)
// ---------------------------------------------------------------------------

// One BCD byte of 0..99 (higher digits dropped).
quint8 bcd(int value);
// An 8-byte settings record: code, up to five data bytes, 0xFF fill and the
// XOR of bytes 0..6 as byte 7.
Record8 settingsRecord(quint8 group, quint8 item, std::initializer_list<quint8> data);
Record8 settingsRecordOfBytes(quint8 group, quint8 item, QByteArrayView data);
// The recorders' own format code; the viewer reads no other.
inline constexpr quint16 FORMAT_CODE = 0x0714;
// The FILE_INFO record of a format code, by default "0714": 00 01 07 14 FF FF FF ED.
Record8 fileInfoRecord(quint16 formatCode = FORMAT_CODE);
// QLT_MODE (10 03) with its mode byte (0 high quality, 1 normal, 2 long).
Record8 qualityModeRecord(quint8 mode);
// A G value in milli-g as the 2-byte field: the upper 12 bits carry
// milli-g / 2 as a two's-complement number (range -4096..4094 milli-g).
quint16 gField(int milliG);
// A position in 1/36000 degree as the 3-byte field: bit 23 for west/south,
// bits 0..22 the magnitude.
quint32 positionField(qint32 value);

void putU16(QByteArray& b, int offset, quint16 v);
void putU24(QByteArray& b, int offset, quint32 v);
void putU32(QByteArray& b, int offset, quint32 v);
void putU64(QByteArray& b, int offset, quint64 v);

// One sample of the car's state as one 64-byte frame record carries it.
struct FrameSample {
    quint8 kind = 0x17;           // byte 0: kind of recording (BCD)
    quint32 unixTime = 0;         // bytes 2..5
    bool hasPosition = true;      // false writes FF FF FF as the longitude
    qint32 longitude = 0;         // bytes 6..8
    qint32 latitude = 0;          // bytes 9..11
    quint16 speedTenths = 0;      // bytes 12..13, 0.1 km/h
    quint16 engineRpm = 0;        // bytes 14..15
    int gxMilli = 0;              // bytes 16..17, longitudinal (+ forward)
    int gyMilli = 0;              // bytes 18..19, lateral (+ left)
    int gzMilli = 1000;           // bytes 20..21, vertical, gravity included
    quint8 status = 0;            // byte 29
    quint8 sw = 0;                // byte 30 (raw)
    bool gpsValid = true;         // byte 31 bit 2
    bool gps2 = true;             // byte 31 bit 1
    bool powerDown = false;       // byte 31 bit 0
    quint8 channel = 1;           // byte 32
    quint32 frameSize = 0;        // bytes 36..39
    quint32 stamp = 0;            // bytes 40..43, recorder ms
    quint8 id = 0x55;             // byte 44: 0x55 picture, 0xAA sound
    quint8 eventCode = 0x00;      // byte 45 (BCD driving-event code; raw)
    quint8 eventQualifier = 0x00; // byte 46 (BCD overspeed qualifier; raw)
    quint32 stamp2 = 0;           // bytes 56..59 (index entries' second stamp)
    qint64 tripMs = 0;            // not written: ms since the start of the trip
};

// A 64-byte frame record; bytes 60..63 carry recordingTail.
QByteArray encodeFrameRecord(const FrameSample& s, quint32 recordingTail);

// The recording header of a movie (80 + 8n bytes).
struct RecordingHeader {
    quint8 kind = 0x17;               // byte 0 (BCD)
    quint32 detectTime = 0;           // bytes 2..5
    quint8 sw = 0x00;                 // byte 30 (BCD)
    quint32 detectStamp = 0;          // bytes 40..43
    quint32 recordingId = 0;          // bytes 44..47
    std::vector<Record8> infoRecords; // count at byte 64, records from byte 80
};
QByteArray encodeRecordingHeader(const RecordingHeader& h);

// How the size of the appended udat box is written.
enum class BoxSizeForm {
    Size32, // the usual 32-bit size
    Size64, // size field 1, then a 64-bit size (16-byte header)
    ToEnd,  // size field 0: the box runs to the end of the file
};

// The udat payload: 4 unused bytes, the entry count, the (offset, length)
// table, then the header and the runs back to back. payloadFileOffset is the
// file offset of the payload's first byte, so that the table can point at
// the ranges that follow it.
QByteArray buildUdatPayload(quint64 payloadFileOffset, const QByteArray& header,
                            const std::vector<QByteArray>& runs);
// A top-level box of the given type around a payload.
QByteArray buildBox(const char (&type)[5], const QByteArray& payload, BoxSizeForm form = BoxSizeForm::Size32);
int boxHeaderLength(BoxSizeForm form);

// ---------------------------------------------------------------------------
// Driving
// ---------------------------------------------------------------------------

enum class SpeedProfile {
    Urban,    // stop-and-go between lights, turns at crossings
    Highway,  // 95..115 km/h, occasionally over the limit
    Parked,   // standing still (surveillance)
    Constant, // cruiseKmh throughout, straight on
};

struct Incident {
    enum class Kind {
        GShock,       // a shock seen by the G sensor (event, G region)
        SwitchPress,  // the recording switch pressed (event, SW region)
        Surveillance, // a detection while parked (SURV region)
    };
    Kind kind = Kind::GShock;
    qint64 atMs = 0;     // ms from the start of the trip
    bool protect = true; // listed in MOV_PRCT.DAT by writeCard
};

struct GpsOutage {
    qint64 fromMs = 0; // ms from the start of the trip
    qint64 toMs = 0;   // exclusive
};

struct DriveOptions {
    quint32 startTime = 1773523800; // 2026-03-14 21:30:00 UTC (08:30 on the 15th in Sydney)
    quint32 startStamp = 5000;      // recorder clock at the first frame
    double startLat = -33.8688;     // degrees (Sydney CBD)
    double startLon = 151.2093;
    double headingDeg = 40.0; // 0 north, 90 east
    SpeedProfile profile = SpeedProfile::Urban;
    double cruiseKmh = 50.0;    // Constant profile, Urban cruise target
    double speedLimitKmh = 0.0; // > 0: frames above it are flagged Overspeed
    quint64 seed = 1;
    qint64 gpsFixAfterMs = 0;          // no position before this (cold start)
    std::vector<GpsOutage> gpsOutages; // e.g. a tunnel
    std::vector<Incident> incidents;
    // > 0: the receiver reports a new position this often, as a recorder's
    // does (once a second) and frames in between repeat it; 0: every frame
    // carries the car's own position.
    qint64 gpsFixEveryMs = 0;
};

// Samples of a whole drive: pictures at `fps` per second (frame j of second s
// at stamp startStamp + 1000 s + floor(1000 j / fps)), and soundPerSecond
// sound records per second interleaved after the pictures of their time.
std::vector<FrameSample> simulateDrive(const DriveOptions& o, qint64 durationMs, int fps,
                                       int soundPerSecond = 0);

// ---------------------------------------------------------------------------
// Movies
// ---------------------------------------------------------------------------

enum Damage : unsigned {
    NoDamage = 0,
    PowerLoss = 1u << 0,   // recording stops early; last records flag power-down
    BoxPastEnd = 1u << 1,  // udat box size claims 4096 bytes more than the file has
    InvalidBcd = 1u << 2,  // bytes 45/46 of some frame records are not BCD
    ShortHeader = 1u << 3, // the header range ends before its last info record
    OverlappingRanges = 1u << 4, // every run's range runs on to the end of the last run
};

struct MovieFormat {
    quint8 kind = 0x17;                    // header and frame byte 0
    quint32 recordingId = 0;               // 0: derived from the start stamp
    quint8 qualityMode = 1;                // QLT_MODE data byte
    quint16 formatCode = FORMAT_CODE;      // FILE_INFO data bytes
    std::vector<Record8> extraInfoRecords; // after FILE_INFO and QLT_MODE
    std::optional<quint32> detectStamp;    // header bytes 40..43 (default: first stamp)
    std::optional<quint32> detectTime;     // header bytes 2..5 (default: start time)
    quint8 headerSw = 0x00;
    int soundPerSecond = 0; // sound records per run
    bool realVideo = true;  // false: tiny stand-in boxes, no ffmpeg
    int videoWidth = 320;   // picture size of a real movie
    int videoHeight = 180;
    bool audio = false;     // a real movie also has a sound track (AAC, mono)
    BoxSizeForm udatSize = BoxSizeForm::Size32;
    unsigned damage = NoDamage;
    qint64 powerLossAtMs = -1; // PowerLoss: ms into the movie (-1: two thirds)
    int headerLength = -1;     // ShortHeader: header range length (-1: 80 + 8n - 8)
};

struct MovieOptions {
    int durationSeconds = 60;
    DriveOptions drive;
    MovieFormat format;
    QString videoCacheDir; // empty: defaultVideoCacheDir()
};

struct DamagedRecord {
    int run = 0;   // 1-based run
    int index = 0; // record index within the run
    quint8 byte45 = 0, byte46 = 0;
};

struct WrittenMovie {
    QString path;
    QString fileName;  // e.g. m2026031508300001.MP4
    QString indexName; // the 16-digit name of the index files
    QString tripKey;   // 12-character time key
    int fileNumber = 0;
    quint32 recordingId = 0;
    quint32 startTime = 0;
    quint32 firstStamp = 0;  // first picture stamp
    quint32 lastStamp = 0;   // last picture stamp
    qint64 videoBytes = 0;   // bytes before the udat box
    qint64 udatOffset = 0;   // file offset of the udat box
    qint64 udatLength = 0;   // bytes of the box actually in the file
    qint64 headerOffset = 0; // file offset of the recording header
    int headerLength = 0;
    std::vector<int> runRecords;      // records per run, in order
    std::vector<FrameSample> samples; // every record in file order
    std::vector<DamagedRecord> damagedRecords;
    int videoSeconds = 0;
};

// Writes one movie at `path` (folders are created). Throws std::runtime_error
// when ffmpeg fails or the file cannot be written.
WrittenMovie writeMovie(const QString& path, const MovieOptions& o);

// Writes a movie from samples already made (one chapter of a trip).
WrittenMovie writeMovieFromSamples(const QString& path, const std::vector<FrameSample>& samples,
                                   int durationSeconds, const MovieFormat& f, quint32 startTime,
                                   const QString& videoCacheDir);

// The H.264 movie of `seconds` seconds (320x180, 28 fps, optionally with an
// AAC sound track), made once by ffmpeg and kept in the cache folder.
QByteArray videoBytes(int seconds, const QString& cacheDir = QString(), int width = 320, int height = 180,
                      bool audio = false);
QByteArray stubVideoBytes(int seconds);
QString defaultVideoCacheDir();

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

enum class NameShape {
    MPrefix,    // m + 12-digit time + 4-digit number + .MP4
    Underscore, // 12-digit time + _ + 4-digit number + .MP4
};

// The 12-character key: the trip's start in the recorder's local time.
QString tripKey(quint32 unixTime, const QString& timeZone = QStringLiteral("Australia/Sydney"));
QString movieFileName(const QString& key, int number, NameShape shape);
QString indexName(const QString& key, int number); // 16 digits
// The number after n: 9999 is followed by 1.
int nextFileNumber(int n);

// ---------------------------------------------------------------------------
// Trips and cards
// ---------------------------------------------------------------------------

struct ChapterDamage {
    int chapter = 0; // 0-based
    unsigned damage = NoDamage;
    qint64 powerLossAtMs = -1;
};

struct TripOptions {
    int chapters = 3;
    int chapterSeconds = 60;
    DriveOptions drive;
    MovieFormat format; // per-chapter damage is in `damaged`
    std::vector<ChapterDamage> damaged;
    std::map<int, quint16> chapterFormatCodes; // 0-based chapter -> another format code
    NameShape shape = NameShape::MPrefix;
    QString folder = QStringLiteral("MOVE001");
    int firstNumber = 0;            // 0: the card's running number
    int adventureFirstChapter = -1; // >= 0: an adventure recording starts here
    int adventureChapters = 0;
    QString timeZone = QStringLiteral("Australia/Sydney");
};

struct WrittenTrip {
    QString key;
    std::vector<WrittenMovie> chapters;
};

// Writes the chapters of one trip under moveDir/<folder>/. `nextNumber` is
// the running file number (updated).
WrittenTrip writeTrip(const QString& moveDir, const TripOptions& o, int& nextNumber,
                      const QString& videoCacheDir = QString());

struct DataFileOptions {
    DriveOptions drive;
    int seconds = 10;
    int picturesPerSecond = 10; // 10 goes with QLT_MODE 00 (100 ms step)
    quint8 qualityMode = 0x00;
    bool sound = true; // one sound frame per second, REC_SOUND on
    quint8 kind = 0x17;
    quint32 recordingId = 0x44460001;
    quint32 carCode = 12345678; // 8 digits, BCD in the header
    quint32 driverCode = 87654321;
    quint8 cameras = 1;
    std::optional<QString> infCarCode; // Playback.inf values; nullopt: key left out
    std::optional<QString> infDriverCode;
    std::optional<QString> infTitle;
    bool writePlaybackInf = true;
};

struct WrittenDataFile {
    QString path;
    QString playbackInfPath;
    quint32 recordingId = 0;
    int blocks = 0;
    std::vector<FrameSample> samples;
};

// A recorder data file (8192-byte header, one block per second) and, beside
// it, Playback.inf in Shift-JIS.
WrittenDataFile writeDataFile(const QString& path, const DataFileOptions& o);
QByteArray encodeDataFileHeader(const DataFileOptions& o, quint32 detectStamp);
QByteArray encodePlaybackInf(const DataFileOptions& o); // Shift-JIS bytes

// Index entries.
QByteArray encodeVrecEntry(const FrameSample& at, quint32 recordingId, const QString& name16);
QByteArray encodeProtectEntry(const FrameSample& at, quint32 recordingId, const QString& name16,
                              quint8 protectType, quint8 survValid);
QByteArray encodeAdventureEntry(const FrameSample& at, quint32 recordingId, const QString& name16,
                                quint8 startFlag, quint32 endTime);

// Index files. Unused slots hold 0xFF (as erased card memory reads).
QByteArray buildVrecFile(quint8 listMode, const std::vector<QByteArray>& entries,
                         const std::vector<QByteArray>& staleAfterEnd, int capacity = 64);
// Region entries; in list mode 0 `gapAfterFirst` leaves an 0xFF slot after the
// first entry of each region (a deleted slot that the reader must skip).
QByteArray buildProtectFile(quint8 listMode, const std::vector<QByteArray>& g,
                            const std::vector<QByteArray>& surv, const std::vector<QByteArray>& sw,
                            bool gapAfterFirst = false);
QByteArray buildAdventureFile(const std::vector<QByteArray>& entries, int capacity = 16);
// SETINF.DAT: 24-byte preamble (count at byte 8), then the records.
QByteArray buildSettingsFile(const std::vector<Record8>& records);
// What a recorder of the supported format writes: FILE_INFO, date and time,
// device type 1 and one record of every setting the camera-settings dialog
// shows (G-trigger level 0.45 G, surveillance sensitivity 0.20 G, 150 files).
std::vector<Record8> defaultSettingsRecords();
// "0801=0045" -> the record 08 01 00 45 FF FF FF + check; nothing for a code
// that is not four hex digits or data that is not 0 to 5 hex bytes.
std::optional<Record8> parseSettingsRecord(const QString& text);

constexpr int VREC_HEADER = 64, VREC_ENTRY = 80;
constexpr int PRCT_HEADER = 512, PRCT_ENTRY = 512;
constexpr int PRCT_G_START = 0x200, PRCT_SURV_START = 0x1600, PRCT_SW_START = 0x2A00, PRCT_END = 0x3400;
constexpr int ADV_HEADER = 512, ADV_ENTRY = 512;
constexpr int DATA_HEADER = 8192, DATA_BLOCK_HEAD = 48;

struct CardOptions {
    std::vector<TripOptions> trips;
    quint8 vrecListMode = 1;
    quint8 prctListMode = 1;
    bool staleRecords = true; // see buildVrecFile / buildProtectFile
    bool managementFiles = true;
    bool settingsFile = true;               // SETINF.DAT at the card's root
    // The records of SETINF.DAT; empty: defaultSettingsRecords().
    std::vector<Record8> settingsRecords;
    bool versionFile = true;                // MOVE/ver.txt
    std::vector<DataFileOptions> dataFiles; // under DATA/<n>/
    int firstFileNumber = 1;
    QString videoCacheDir;
};

struct WrittenEvent {
    Incident::Kind kind = Incident::Kind::GShock;
    int trip = 0, chapter = 0;
    FrameSample at;
    QString indexName;
};

struct WrittenAdventure {
    int trip = 0;
    std::vector<int> chapters;
    quint32 endTime = 0;
};

struct WrittenCard {
    QString root;
    QString moveDir; // root/MOVE: the folder a user opens
    std::vector<WrittenTrip> trips;
    std::vector<WrittenEvent> events; // G, SW and SURV records, in region order
    std::vector<WrittenAdventure> adventures;
    std::vector<WrittenDataFile> dataFiles;
    QStringList files; // every file written
};

WrittenCard writeCard(const QString& root, const CardOptions& o);
// The demo card: three trips (one with a G event, a switch press and an
// overspeed stretch on the highway, one with an adventure recording and a
// power loss in its last chapter), a surveillance recording and a data file.
// Its movies are small (320x180) for the tests; the command writes the demo
// at the recorder's full-HD size, where a caption of all four data fits on
// one line.
CardOptions demoCardOptions();
inline constexpr int DEMO_VIDEO_WIDTH = 1920;
inline constexpr int DEMO_VIDEO_HEIGHT = 1080;
// Every trip's movies at this picture size.
void setVideoSize(CardOptions& card, int width, int height);

} // namespace cardgen
