#pragma once

#include <QByteArray>
#include <functional>

// A gzip body that decodes to one block of bytes repeated: the block is compressed once and
// sent as often as asked, so a body that decodes to gigabytes costs neither the time nor the
// memory to make it. Each copy is compressed on its own (no match reaches back into an earlier
// copy), so the body compresses about as well as its block does. Made with zlib: a target
// that uses it links ZLIB::ZLIB.
class GzipBody {
public:
    GzipBody(const QByteArray &block, qint64 repeats);

    // The compressed size: what Content-Length declares.
    qint64 size() const;
    qint64 decodedSize() const { return m_decodedSize; }
    // The whole body a piece at a time, for HttpTestServer::Response::bodySource.
    std::function<QByteArray()> source() const;

private:
    QByteArray m_header;
    QByteArray m_block;
    QByteArray m_trailer;
    qint64 m_repeats;
    qint64 m_decodedSize;
};
