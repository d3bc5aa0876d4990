#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>

// The path and file-name rules of the recorder's card.
class FileUtil {
public:
    FileUtil() = delete;

    // Joins path parts, putting one "/" before a part only when the text so
    // far does not already end with one ("a/" + "/b" stays "a//b").
    static QString combinePath(const QString& base, const QString& part);
    static QString combinePath(const QString& base, std::initializer_list<QString> parts);

    // The sequence number of a movie file: the last four characters of the
    // name without folder and extension, when longer than three; else 0.
    static qint32 getFileNumber(const QString& name);

    // A path ending in "/" is a folder: itself and an empty name. Otherwise
    // the parent folder (ending in "/") and the last component.
    struct FolderAndName {
        QString folder;
        QString fileName;
    };
    static FolderAndName getFolderName(const QString& path);

    // Files below the folder whose name contains a match of the pattern, in
    // a sorted, deterministic order. Hidden items are skipped and folders
    // named "_extras" are not entered; symbolic links are not followed: a
    // link is no file of the card, whatever it names.
    static QStringList getMovieFiles(const QString& folder, const QString& pattern);

    // One of the card's three management files (the index of movies and the
    // two protection lists), whatever the letters' case.
    static bool isManagementFileName(const QString& name);

    // The 12-character time key of a movie file name, or "" when the name
    // is not a movie file name.
    static QString isMovieFileName(const QString& name);

    // The movie files of a card or backup folder (or of the folder of one of
    // its management files; a single MP4 file gives itself).
    static QStringList checkCardFolder(const QString& path);

    // The real path of target relative to folder.
    static QString relativePath(const QString& folder, const QString& target);

    static constexpr int MAX_SCAN_DEPTH = 24;
    static constexpr int MAX_SCAN_ENTRIES = 500000;
};

// The application's build target, a directory test and random names.
class FormUtil {
public:
    FormUtil() = delete;
    enum class AppTarget { Common, Tarko12Only };
    static constexpr AppTarget appTarget = AppTarget::Common;

    static bool isDirectory(const QString& path);
    // length characters drawn uniformly from digits, lower and upper case letters.
    static QString randomString(int length);
};
