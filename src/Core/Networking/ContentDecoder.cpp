#include "ContentDecoder.h"

#include <QIODevice>
#include <QNetworkReply>
#include <algorithm>

#include <zlib.h>

namespace {

Error decodingError(const QString &text)
{
    return Error{Error::Domain::Transport, int(QNetworkReply::UnknownContentError), text};
}

// The body as it came.
class Identity final : public ContentDecoder {
public:
    Expected<Step> decode(QIODevice *in, char *out, qint64 length) override
    {
        const qint64 read = std::max<qint64>(in->read(out, length), 0);
        return Step{read, read};
    }
    bool isWhole() const override { return true; }
};

// gzip and deflate, with zlib. "deflate" comes in zlib's wrapper or, from some servers, without
// one; a gzip body may hold several members one after another.
class Inflater final : public ContentDecoder {
public:
    Inflater() : m_input(kInputSize, Qt::Uninitialized) {}
    ~Inflater() override { inflateEnd(&m_stream); }

    bool start() { return inflateInit2(&m_stream, kWrapped) == Z_OK; }

    Expected<Step> decode(QIODevice *in, char *out, qint64 length) override
    {
        Step step;
        m_stream.next_out = reinterpret_cast<Bytef *>(out);
        m_stream.avail_out = uInt(std::min<qint64>(length, kMaxChunk));
        while (m_stream.avail_out > 0) {
            // Output zlib held back for want of room comes first, even with no input left.
            if (m_stream.avail_in == 0 && !m_heldBack) {
                if (step.read >= length || !refill(in, &step))
                    break;
            }
            if (m_ended) {
                // More after the end of a stream: the next gzip member, or bytes that are none.
                inflateReset2(&m_stream, kWrapped);
                m_ended = false;
            }
            const int status = inflate(&m_stream, Z_NO_FLUSH);
            if (status == Z_DATA_ERROR && m_mayBeRaw) {
                // No wrapper at all: the first input again, as raw deflate.
                m_mayBeRaw = false;
                inflateReset2(&m_stream, -MAX_WBITS);
                m_stream.next_in = reinterpret_cast<Bytef *>(m_input.data());
                m_stream.avail_in = m_inputLength;
                continue;
            }
            if (status == Z_STREAM_END)
                m_ended = true;
            else if (status != Z_OK && status != Z_BUF_ERROR)
                return decodingError(QStringLiteral("Decompression failed: ")
                                     + QString::fromLatin1(m_stream.msg ? m_stream.msg : zError(status)));
            if (m_stream.total_out > 0)
                m_mayBeRaw = false;
            // With no room left zlib may hold output back (a stream's end is all given out).
            m_heldBack = m_stream.avail_out == 0 && !m_ended;
        }
        step.decoded = qint64(reinterpret_cast<char *>(m_stream.next_out) - out);
        return step;
    }

    bool isWhole() const override { return !m_started || (m_ended && m_stream.avail_in == 0); }

private:
    static constexpr int kWrapped = MAX_WBITS + 32; // gzip or zlib, as the header says
    static constexpr qsizetype kInputSize = 16 * 1024;
    static constexpr qint64 kMaxChunk = 1 << 30;

    bool refill(QIODevice *in, Step *step)
    {
        const qint64 read = in->read(m_input.data(), m_input.size());
        if (read <= 0)
            return false;
        // Raw deflate is told from a wrapper by the first input alone.
        m_mayBeRaw = !m_started;
        m_started = true;
        m_inputLength = uInt(read);
        m_stream.next_in = reinterpret_cast<Bytef *>(m_input.data());
        m_stream.avail_in = m_inputLength;
        step->read += read;
        return true;
    }

    z_stream m_stream{};
    QByteArray m_input;
    uInt m_inputLength = 0;
    bool m_started = false;  // some input was read
    bool m_ended = false;    // the stream reached its end mark
    bool m_mayBeRaw = false; // a wrapper error now means raw deflate
    bool m_heldBack = false; // the last inflate filled the room: it may hold output back
};

} // namespace

const QByteArray ContentDecoder::acceptedCodings = QByteArrayLiteral("gzip, deflate");

Expected<std::unique_ptr<ContentDecoder>> ContentDecoder::forCoding(const QByteArray &coding)
{
    const QByteArray name = coding.trimmed().toLower();
    if (name.isEmpty() || name == "identity")
        return std::unique_ptr<ContentDecoder>(std::make_unique<Identity>());
    if (name == "gzip" || name == "x-gzip" || name == "deflate") {
        auto inflater = std::make_unique<Inflater>();
        if (!inflater->start())
            return decodingError(QStringLiteral("Decompression failed: ") + QString::fromLatin1(zError(Z_MEM_ERROR)));
        return std::unique_ptr<ContentDecoder>(std::move(inflater));
    }
    return decodingError(QStringLiteral("Unsupported content encoding: ") + QString::fromLatin1(coding.trimmed()));
}
