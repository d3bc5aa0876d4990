#pragma once

#include "core/foundation/CommonConst.h"
#include "core/recording/DetectionType.h"
#include "core/recording/FrameTable.h"
#include "core/recording/PictureDataTypes.h"
#include "core/recording/PlaybackInfo.h"
#include "core/recording/VideoFrame.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class FullTimeDataInfo;
class QIODevice;
class VersionInfo;
enum class TargetType : int;

enum class TerminalType { Separate, AllInOne, None };

// One recording in parsed form. A reader fills it on one thread and ends
// with completeTables(); from then on nothing writes to it, so a loaded
// VideoInfo can be read from any number of threads (its lookups never
// store anything).
class VideoInfo {
public:
    VideoInfo();
    VideoInfo(const VideoInfo&) = delete;
    VideoInfo& operator=(const VideoInfo&) = delete;

    // ---- lookups (const: safe on a loaded VideoInfo from any thread) ----

    // Frame table n; never empty. Tables 0 and 1 are completed when reading
    // ends; any other number gives a one-frame table of a default frame.
    const FrameTable& getCameraFrames(int number) const;
    // The frame of table n for time key p: the one with the greatest key not
    // above p (the first when p lies before it, the last when beyond).
    // Never null. The camera flag does not change the result.
    VideoFramePtr frameAt(int number, qint64 p, bool camera = true) const;

    // The frames of a table in key order; a frame under two keys is listed twice.
    static FrameList convertDictionary(const FrameTable& frames);
    // The trigger named by the BCD value of a header's kind byte.
    static DetectionType getDetectType(std::uint8_t type);

    // ---- building (readers only, before completeTables) ----

    // Files frames under their time stamp minus the base; the first frame
    // also under key 0; the first frame of a key keeps it. With a span > 0
    // movie time stamps run 0, span, 2*span... The carried position (-1
    // means none) fills frames without a longitude.
    static FrameTable buildFrameDictionary(const FrameList& frames, std::uint32_t base, qint64 span,
                                           std::int32_t& longitude, std::int32_t& latitude);
    // Marks the frame of table 0 nearest to the header's detection position
    // (relative to base, and only when 1 <= it < span) and gives its key; 0
    // when nothing qualifies or the recording is a movie recording.
    static qint64 markDetectFrame(VideoInfo& info, std::uint32_t base, std::uint32_t span);
    // The MP4 reader's table 1: frames sorted by time stamp, gaps inside one
    // run filled with copies every ceil(1000 / fps) ms, movie time stamps set.
    static FrameTable fillFrameGaps(const FrameList& sortedFrames, std::uint32_t base, float fps);

    // Ends reading: gives tables 0 and 1 a default frame when they are
    // missing or empty, packs the tables' frames together (FrameTable::pack)
    // and takes the tables' key arrays. Readers call it last; nothing may
    // change the object afterwards but the passes of PictureData, before
    // they hand it on.
    void completeTables();

    // ---- readers ----

    // Reads one recording file, choosing the reader by the recording type
    // and the extension. Problems are reported through errors; the result
    // is returned even when it is flawed.
    static std::shared_ptr<VideoInfo> fromFile(const QUrl& path, const VersionInfo& ver, QStringList& errors,
                                               const QDateTime& left, const QDateTime& right,
                                               PictureDataType pictureDataType,
                                               const FullTimeDataInfo* fullTimeDataInfo, RecType recType,
                                               const QByteArray& fileInfoData);

    // The recorder's MP4 movie (or a trimmed movie, recognised by a udat
    // payload that begins with fileInfoData). Null when the movie holds no
    // usable index; isError when frame data is damaged or missing.
    static std::shared_ptr<VideoInfo> readFileMelsi14Move(const QString& filePath, const VersionInfo& ver,
                                                          const QDateTime& left, const QDateTime& right,
                                                          PictureDataType pictureDataType,
                                                          const FullTimeDataInfo* fullTimeDataInfo, bool& isError,
                                                          const QByteArray& fileInfoData);
    // The same reading from an open device (the movie's bytes).
    static std::shared_ptr<VideoInfo> readMelsi14Device(QIODevice& device, const QDateTime& left,
                                                        const QDateTime& right, bool& isError,
                                                        const QByteArray& fileInfoData);

    // The recorder's data file of blocks.
    static std::shared_ptr<VideoInfo> readFile0401Move(const QString& filePath, const VersionInfo& ver,
                                                       const QDateTime& left, const QDateTime& right,
                                                       PictureDataType pictureDataType,
                                                       const FullTimeDataInfo* fullTimeDataInfo, bool& isError);
    // The recorder's event file: a header and blocks of one frame record each.
    static std::shared_ptr<VideoInfo> readFolderMove(const QString& filePath, const VersionInfo& ver,
                                                     const QDateTime& left, const QDateTime& right,
                                                     PictureDataType pictureDataType,
                                                     const FullTimeDataInfo* fullTimeDataInfo, bool& isError);

    // The block pass of an event file: walks the blocks after the 8192-byte
    // header while they carry the header's recording id and files their
    // frames. Used by readFolderMove; length is how much of bytes is the file.
    static VideoInfo& parseFrameBlock(const QByteArray& bytes, qint64 length, const QByteArray& recordingId,
                                      VideoInfo& info, const QDateTime& left, const QDateTime& right,
                                      PictureDataType pictureDataType, bool& isError);

    // ---- division and movie files of the full-time recorders ----

    // The recorder build a division or movie file belongs to, by its name alone.
    static TargetType getTargetType(const QString& filePath);
    // The thumbnail and time range of a division file; never null. A file of
    // another build gives an empty VideoInfo.
    static std::shared_ptr<VideoInfo> fromDivisionFile(const QUrl& path, QStringList& errors);
    static std::shared_ptr<VideoInfo> readDivisionData(const QString& path);
    // Files one frame of a division file (its 64-byte head and payload); a
    // picture frame becomes the thumbnail.
    static VideoInfo& makeDivisionFrames(VideoInfo& info, QByteArrayView frame);
    // A movie file: header, information records and frames.
    static std::shared_ptr<VideoInfo> readMoveFile(const QString& path, const QDateTime& left,
                                                   const QDateTime& right, PictureDataType pictureDataType,
                                                   const FullTimeDataInfo* fullTimeDataInfo, bool& isError);
    // Walks the frames of a movie file from start up to length.
    static VideoInfo& parseMoveFrames(const QByteArray& bytes, qint64 length, qint64 start, VideoInfo& info,
                                      const QDateTime& left, const QDateTime& right,
                                      PictureDataType pictureDataType, bool& isError);
    // Position texts of eight (longitude) or seven (latitude) decimal digits
    // of degrees, minutes, seconds and tenths, in milliseconds of arc.
    // Throw AppError("数値に変換できません。") when the text is not such digits.
    static std::int32_t convertLongitude(const QString& longitude);
    static std::int32_t convertLatitude(const QString& latitude);
    static std::vector<int> convertDigits(const QString& text);

    static const QString& MSG_NO_PICTURE_DATA();      // "画像データがありません。"
    static const QString& MSG_INVALID_PICTURE_INFO(); // "正常な画像詳細情報ではありません。"

    // ---- fields ----

    QString _userCarCode;
    QString _userDriverCode;
    DetectionType _detectionType = DetectionType::GSensor;
    QByteArray _jpegHeader;
    QByteArray _jpegHeader12;
    double gx = 0.0;
    double gy = 0.0;
    std::uint8_t state = 0;
    std::uint8_t sw = 0;
    bool powerDown = false;
    qint64 cameras = 1;
    std::uint8_t detectType = 0;
    QDateTime firstTime;
    qint64 _bootID = 0;
    QDateTime lastTime;
    quint64 _timeSpan = 1;
    quint64 _preTimeSpan = 0;
    std::map<int, FrameTable> _cameraFrames;
    std::map<int, FrameTable> _soundFrames;
    KeyArrays arrayCamera;
    KeyArrays arraySound;
    std::vector<KeyList> arrayViorate;
    VideoFramePtr _thumbnail;
    PlaybackInfo _playback;
    quint64 _addrs = 0;
    quint64 _blockSize = 0;
    quint64 _dataSize = 0;
    FrameList _frameList;
    QString _channel1TempName;
    QString _channel2TempName;
    QString _aacTempName;
    bool bMoveSoundMute = true;
    QString _fileVersion;
    TerminalType _terminalType = TerminalType::None;
    bool _isCutVideo = false;
    bool isDatetime = false;
    bool isSpeed = false;
    bool isAcceleration = false;
    bool isPoint = false;
    CommonConst::RecMode _recMode = CommonConst::RecMode::Nomal;

private:
    static void buildKeyArrays(const std::map<int, FrameTable>& tables, KeyArrays& arrays);

    // What a lookup of a table that does not exist gives; made with the object.
    FrameTable _missingTable;
};
