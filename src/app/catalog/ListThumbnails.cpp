#include "app/catalog/ListThumbnails.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Pictures of a few kilobytes each: a thread or two of their own keeps them
// from queueing behind long jobs on the global pool.
QThreadPool* g_readers = nullptr;

void endReaders()
{
    // Waits for the reads in hand, while the application object still exists.
    delete g_readers;
    g_readers = nullptr;
}

QThreadPool* readers()
{
    if (!g_readers) {
        g_readers = new QThreadPool();
        g_readers->setMaxThreadCount(2);
        qAddPostRoutine(&endReaders);
    }
    return g_readers;
}

// Pictures kept at once, in bytes: several screens of rows.
constexpr int MAX_CACHED_BYTES = 24 * 1024 * 1024;

} // namespace

ListThumbnails::ListThumbnails(const QSize& size, QObject* parent)
    : QObject(parent), m_size(size), m_reader(&ListThumbnails::readScaled), m_pictures(MAX_CACHED_BYTES)
{
}

ListThumbnails::~ListThumbnails() = default;

QImage ListThumbnails::readScaled(const QString& path, const QSize& size)
{
    // A pipe or device would keep the reading thread waiting.
    if (!QFileInfo(path).isFile()) return {};
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) return {};
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap ListThumbnails::picture(const QString& path)
{
    if (path.isEmpty()) return {};
    if (const QPixmap* known = m_pictures.object(path)) return *known;
    if (m_asked.contains(path)) return {};
    m_asked.insert(path);
    auto* watcher = new QFutureWatcher<QImage>(this);
    const quint64 generation = m_generation;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path, generation] {
        watcher->deleteLater();
        arrived(path, generation, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(
        readers(), [reader = m_reader, path, size = m_size] { return reader(path, size); }));
    return {};
}

void ListThumbnails::arrived(const QString& path, quint64 generation, const QImage& image)
{
    if (generation != m_generation) return;
    if (image.isNull()) return; // stays asked: not read again
    m_asked.remove(path);
    auto* pixmap = new QPixmap(QPixmap::fromImage(image));
    const qsizetype bytes = qsizetype(pixmap->width()) * pixmap->height() * 4;
    m_pictures.insert(path, pixmap, bytes);
    Q_EMIT pictureArrived(path);
}

void ListThumbnails::forget()
{
    ++m_generation;
    m_pictures.clear();
    m_asked.clear();
}
