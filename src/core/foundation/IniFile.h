#pragma once

#include <QHash>
#include <QString>

// A reader of "[section]" and "key=value" lines in Shift-JIS (Playback.inf).
class IniFile {
public:
    // Reads the file and adds its entries. A missing, unreadable or
    // undecodable file adds nothing and is not an error.
    void load(const QString& path);
    // Loads from bytes already in memory (same rules as load()).
    void loadData(const QByteArray& bytes);
    // The value under "[section]key"; throws AppError when there is none.
    QString get(const QString& section, const QString& key) const;

    const QHash<QString, QString>& map() const { return m_map; }

    // Files this large are not INI files the recorder writes.
    static constexpr qint64 MAX_FILE_SIZE = 1 << 20;

private:
    QHash<QString, QString> m_map;
};

// Two small file utilities.
class IOUtil {
public:
    IOUtil() = delete;
    // Removes the file or folder at the path; every failure is ignored.
    static void removeFile(const QString& path);
    // Free bytes of the volume that holds the path, or -1 when unknown.
    static qint64 freeDiskSpace(const QString& path);
};
