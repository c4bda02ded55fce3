#include "GzipBody.h"

#include <QtEndian>
#include <utility>

#include <zlib.h>

GzipBody::GzipBody(const QByteArray &block, qint64 repeats)
    : m_header(QByteArray::fromHex("1f8b0800000000000003")), m_repeats(repeats),
      m_decodedSize(qint64(block.size()) * repeats)
{
    // Raw deflate ended by a full flush: byte-aligned, not final, and needing nothing before
    // it, so copies of it in a row make one valid stream.
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    m_block.resize(qsizetype(deflateBound(&stream, uLong(block.size())) + 16));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(block.constData()));
    stream.avail_in = uInt(block.size());
    stream.next_out = reinterpret_cast<Bytef *>(m_block.data());
    stream.avail_out = uInt(m_block.size());
    deflate(&stream, Z_FULL_FLUSH);
    m_block.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);

    // An empty final block, then the CRC-32 and the length (modulo 2^32) of the decoded body.
    const uLong blockCrc = crc32(0, reinterpret_cast<const Bytef *>(block.constData()), uInt(block.size()));
    uLong crc = crc32(0, nullptr, 0);
    for (qint64 i = 0; i < repeats; ++i)
        crc = crc32_combine(crc, blockCrc, z_off_t(block.size()));
    m_trailer = QByteArray::fromHex("0300");
    char tail[8];
    qToLittleEndian(quint32(crc), tail);
    qToLittleEndian(quint32(quint64(m_decodedSize) & 0xffffffffu), tail + 4);
    m_trailer.append(tail, 8);
}

qint64 GzipBody::size() const
{
    return m_header.size() + m_block.size() * m_repeats + m_trailer.size();
}

std::function<QByteArray()> GzipBody::source() const
{
    return [header = m_header, block = m_block, trailer = m_trailer, left = m_repeats, stage = 0]() mutable {
        if (stage == 0) {
            stage = 1;
            return header;
        }
        if (left > 0) {
            --left;
            return block;
        }
        return std::exchange(stage, 2) == 1 ? trailer : QByteArray();
    };
}
