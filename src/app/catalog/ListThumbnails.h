#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>
#include <functional>

// The recording list's thumbnail pictures, read and scaled off the GUI
// thread. A row drawn before its picture has been read shows none and asks
// for it; when the picture arrives, pictureArrived() names its file so that
// the rows showing it are drawn again. A file that cannot be read is not
// asked for again until forget(). GUI thread only.
class ListThumbnails : public QObject {
    Q_OBJECT
public:
    // Reads one file and scales it to fit the size; runs on a reading
    // thread. A null image when the file cannot be read.
    using Reader = std::function<QImage(const QString& path, const QSize& size)>;

    explicit ListThumbnails(const QSize& size, QObject* parent = nullptr);
    ~ListThumbnails() override;

    // The file's picture once it has been read; until then a null pixmap,
    // and the file is asked for.
    QPixmap picture(const QString& path);
    // Drops every picture and every answer still to come: another
    // catalogue names its files the same way.
    void forget();
    // Tests put a reader of their own in place of readScaled().
    void setReader(Reader reader) { m_reader = std::move(reader); }

    // The file's picture scaled to fit the size (aspect kept); null when it
    // is not a regular file or not a picture.
    static QImage readScaled(const QString& path, const QSize& size);

Q_SIGNALS:
    void pictureArrived(const QString& path);

private:
    void arrived(const QString& path, quint64 generation, const QImage& image);

    QSize m_size;
    Reader m_reader;
    QCache<QString, QPixmap> m_pictures;
    QSet<QString> m_asked; // being read, or unreadable
    quint64 m_generation = 0;
};
