#include "TileSource.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThreadPool>
#include <algorithm>

namespace {
constexpr int kMaxInFlight = 6;
constexpr int kTileRetrySeconds = 300;       // a tile that failed is left alone this long
constexpr int kFailuresBeforePause = 3;
constexpr int kMaxPauseSeconds = 600;
constexpr int kStaleDays = 7;                // older tiles are shown, then fetched anew
constexpr qint64 kMaxTileBytes = 1 << 20;
}

// The readers' way back: cleared when the source goes, so a tile read after that goes nowhere.
struct TileSource::Inbox {
    QMutex mutex;
    TileSource *source = nullptr;
};

TileSource::TileSource(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_inbox(std::make_shared<Inbox>())
{
    m_inbox->source = this;
}

TileSource::~TileSource()
{
    QMutexLocker lock(&m_inbox->mutex);
    m_inbox->source = nullptr;
}

QByteArray TileSource::userAgent()
{
    return QByteArrayLiteral("sismovantaquelorin/1.0 (desktop earthquake monitor for the Canary Islands; Qt)");
}

void TileSource::setUrlTemplate(const QString &urlTemplate)
{
    if (urlTemplate == m_template)
        return;
    m_template = urlTemplate;
    ++m_generation;
    m_reading.clear();
    m_memory.clear();
    m_failedUntil.clear();
    m_failuresInRow = 0;
    m_serverPausedUntil = {};
}

void TileSource::setCacheDirectory(const QString &dir)
{
    m_cacheDir = dir;
    ++m_generation;
    m_reading.clear();
    m_memory.clear();
}

QString TileSource::cacheDirectory() const
{
    const QString base = m_cacheDir.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles")
        : m_cacheDir;
    const QByteArray hash = QCryptographicHash::hash(m_template.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return base + QLatin1Char('/') + QString::fromLatin1(hash);
}

QString TileSource::filePath(const Key &key) const
{
    return QStringLiteral("%1/%2/%3/%4.png").arg(cacheDirectory()).arg(key.z).arg(key.x).arg(key.y);
}

bool TileSource::isBackingOff() const
{
    return m_serverPausedUntil.isValid() && QDateTime::currentDateTimeUtc() < m_serverPausedUntil;
}

QImage TileSource::tile(const Key &key)
{
    if (m_template.isEmpty())
        return {};
    if (QImage *img = m_memory.object(key))
        return *img;
    if (m_reading.contains(key))
        return {};
    const QString path = filePath(key);
    const QFileInfo info(path);
    if (info.exists()) {
        read(key, path);
        if (info.lastModified().daysTo(QDateTime::currentDateTime()) > kStaleDays)
            fetch(key);
        return {};
    }
    fetch(key);
    return {};
}

QImage TileSource::inMemory(const Key &key) const
{
    const QImage *img = m_memory.object(key);
    return img ? *img : QImage();
}

// Decoding a tile takes a few milliseconds: a zoom to a new tile level would spend them on
// every tile of the view in one frame.
void TileSource::read(const Key &key, const QString &path)
{
    m_reading.insert(key);
    QThreadPool::globalInstance()->start([path, key, generation = m_generation, inbox = m_inbox] {
        const QImage image(path);
        QMutexLocker lock(&inbox->mutex);
        if (TileSource *source = inbox->source) {
            QMetaObject::invokeMethod(source, [source, key, generation, image] { source->readDone(key, generation, image); },
                                      Qt::QueuedConnection);
        }
    });
}

void TileSource::readDone(const Key &key, quint64 generation, const QImage &image)
{
    if (generation != m_generation)
        return;  // read for another server or folder
    m_reading.remove(key);
    if (image.isNull()) {
        fetch(key);  // a damaged file: fetched anew
        return;
    }
    m_memory.insert(key, new QImage(image));
    emit tileReady();
}

void TileSource::fetch(const Key &key)
{
    if (m_inFlight.contains(key) || m_inFlight.size() >= kMaxInFlight || isBackingOff())
        return;
    const auto failed = m_failedUntil.constFind(key);
    if (failed != m_failedUntil.cend() && QDateTime::currentDateTimeUtc() < *failed)
        return;
    QString url = m_template;
    url.replace(QLatin1String("{z}"), QString::number(key.z))
        .replace(QLatin1String("{x}"), QString::number(key.x))
        .replace(QLatin1String("{y}"), QString::number(key.y));
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setTransferTimeout(15000);
    QNetworkReply *reply = m_network->get(request);
    // Qt stops reading once its buffer holds more than a tile can be, so the check below sees an
    // oversized body before the buffer grows past it.
    reply->setReadBufferSize(kMaxTileBytes + 1);
    ++m_requestsSent;
    m_inFlight.insert(key);
    // No tile is that big: a reply that says or proves otherwise is abandoned at once, so an
    // endless or huge body never fills memory (it then fails like any other tile).
    const auto abandonIfTooLarge = [reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && length.toLongLong() > kMaxTileBytes) || reply->bytesAvailable() > kMaxTileBytes) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, abandonIfTooLarge);
    connect(reply, &QNetworkReply::readyRead, reply, abandonIfTooLarge);
    connect(reply, &QNetworkReply::finished, this, [this, reply, key] { finished(reply, key); });
}

void TileSource::finished(QNetworkReply *reply, const Key &key)
{
    reply->deleteLater();
    m_inFlight.remove(key);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QImage img;
    QByteArray bytes;
    if (reply->error() == QNetworkReply::NoError && status == 200 && !reply->property("tooLarge").toBool()) {
        bytes = reply->read(kMaxTileBytes);
        img.loadFromData(bytes);
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (img.isNull()) {
        m_failedUntil.insert(key, now.addSecs(kTileRetrySeconds));
        if (++m_failuresInRow >= kFailuresBeforePause) {
            const int pause = std::min(kMaxPauseSeconds, 5 << std::min(m_failuresInRow - kFailuresBeforePause, 7));
            m_serverPausedUntil = now.addSecs(pause);
        }
        return;
    }
    m_failuresInRow = 0;
    m_serverPausedUntil = {};
    m_failedUntil.remove(key);
    m_memory.insert(key, new QImage(img));
    const QString path = filePath(key);
    if (QDir().mkpath(QFileInfo(path).absolutePath())) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(bytes);
            file.commit();
        }
    }
    emit tileReady();
}
