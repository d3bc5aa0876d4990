#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Still pictures from movies, made with the FFmpeg libraries so that they can
// be made on any thread (no GUI classes involved).
class AVUtil {
public:
    AVUtil() = delete;

    static constexpr int THUMB_MAX_WIDTH = 320;
    static constexpr int THUMB_MAX_HEIGHT = 180;

    // Writes a JPEG of the movie's picture at timeMs (scaled to fit 320 x 180,
    // aspect kept) into folder (created when missing) under
    // thumbnailFileName(), atomically. Times below 0 are taken as 0; a time
    // past the last picture gives the last picture. Nothing on any failure.
    static std::optional<QString> createThumbnail(const QString& moviePath, qint64 timeMs, const QString& folder);

    // The same picture with the black caption band of a trimmed movie drawn
    // along its bottom edge, written under the given file name in folder.
    static std::optional<QString> createBandedThumbnail(const QString& moviePath, qint64 timeMs,
                                                        const QString& folder, const QString& fileName);

    // "<movie name without extension>_HHMMSS.jpeg", the six digits being the
    // time value read as seconds of a day (so distinct times within a day
    // give distinct names).
    static QString thumbnailFileName(const QString& moviePath, qint64 timeMs);

    // Decodes the picture at timeMs and returns it as JPEG bytes (empty on failure).
    static QByteArray jpegAt(const QString& moviePath, qint64 timeMs, bool captionBand);

    // The first video stream's picture size and the movie's length (the
    // video stream's own length when it has one), in whole milliseconds.
    struct MovieProbe {
        int width = 0;
        int height = 0;
        qint64 durationMs = 0;
    };
    static std::optional<MovieProbe> probe(const QString& moviePath);

    // The picture at timeMs (the frame shown at that time: the last one that
    // starts at or before it, its start in whole milliseconds, not the
    // nearest key frame) at its full size, as 32-bit pixels 0xffRRGGBB in
    // native byte order, rows bytesPerLine apart.
    struct RgbPicture {
        qint64 timeMs = 0; // when the frame starts (whole ms), from the start of the movie
        int width = 0;
        int height = 0;
        qsizetype bytesPerLine = 0;
        QByteArray pixels;
    };
    static std::optional<RgbPicture> rgbAt(const QString& moviePath, qint64 timeMs);
};
