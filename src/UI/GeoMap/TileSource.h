#pragma once

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// Raster tiles from a URL template ("{z}", "{x}", "{y}"), kept in memory and on disk
// (QStandardPaths::CacheLocation/tiles/<hash of the template>/z/x/y.png). Never blocks (a tile
// on disk is decoded on the thread pool) and never retries in a loop: a failed tile is not asked for again for a while, and after a
// few failures in a row the whole server is left alone for a growing pause (backoff), so an
// offline machine sends one request now and then, not one per frame.
class TileSource : public QObject
{
    Q_OBJECT
public:
    struct Key {
        int z = 0, x = 0, y = 0;
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &k, size_t seed = 0) { return qHashMulti(seed, k.z, k.x, k.y); }
    };

    explicit TileSource(QObject *parent = nullptr);
    ~TileSource() override;

    void setUrlTemplate(const QString &urlTemplate);
    QString urlTemplate() const { return m_template; }
    // Where tiles are kept on disk; empty means the default under CacheLocation.
    void setCacheDirectory(const QString &dir);
    QString cacheDirectory() const;

    // The tile if it is in memory; otherwise starts reading it from disk, or its download when
    // allowed, and returns a null image. tileReady follows a tile read or downloaded.
    QImage tile(const Key &key);
    // The tile if it is in memory, else a null image; starts nothing.
    QImage inMemory(const Key &key) const;

    // Whether the server is being left alone after failures, and until when.
    bool isBackingOff() const;
    int requestsSent() const { return m_requestsSent; }
    int requestsInFlight() const { return int(m_inFlight.size()); }
    static QByteArray userAgent();

signals:
    void tileReady();

private:
    struct Inbox;
    QString filePath(const Key &key) const;
    void read(const Key &key, const QString &path);
    void readDone(const Key &key, quint64 generation, const QImage &image);
    void fetch(const Key &key);
    void finished(QNetworkReply *reply, const Key &key);

    QString m_template;
    QString m_cacheDir;
    QNetworkAccessManager *m_network = nullptr;
    QCache<Key, QImage> m_memory{256};
    QSet<Key> m_inFlight;
    QSet<Key> m_reading;
    std::shared_ptr<Inbox> m_inbox;
    quint64 m_generation = 0;         // of the template and cache directory
    QHash<Key, QDateTime> m_failedUntil;
    int m_failuresInRow = 0;
    QDateTime m_serverPausedUntil;
    int m_requestsSent = 0;
};
