#include "TileSource.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {
constexpr int kMaxInFlight = 6;
constexpr int kTileRetrySeconds = 300;       // a tile that failed is left alone this long
constexpr int kFailuresBeforePause = 3;
constexpr int kMaxPauseSeconds = 600;
constexpr int kStaleDays = 7;                // older tiles are shown, then fetched anew
constexpr qint64 kMaxTileBytes = 1 << 20;
}

TileSource::TileSource(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{
}

TileSource::~TileSource() = default;

QByteArray TileSource::userAgent()
{
    return QByteArrayLiteral("sismovantaquelorin/1.0 (desktop earthquake monitor for the Canary Islands; Qt)");
}

void TileSource::setUrlTemplate(const QString &urlTemplate)
{
    if (urlTemplate == m_template)
        return;
    m_template = urlTemplate;
    m_memory.clear();
    m_failedUntil.clear();
    m_failuresInRow = 0;
    m_serverPausedUntil = {};
}

void TileSource::setCacheDirectory(const QString &dir)
{
    m_cacheDir = dir;
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
    const QString path = filePath(key);
    QFileInfo info(path);
    if (info.exists()) {
        QImage img(path);
        if (!img.isNull()) {
            m_memory.insert(key, new QImage(img));
            if (info.lastModified().daysTo(QDateTime::currentDateTime()) > kStaleDays)
                fetch(key);
            return img;
        }
    }
    fetch(key);
    return {};
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
