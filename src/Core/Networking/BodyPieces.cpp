#include "BodyPieces.h"

#include <algorithm>
#include <utility>

char *BodyPieces::tail(qint64 *length)
{
    if (m_pieces.isEmpty() || m_pieces.last().size() == kPieceSize) {
        m_pieces.append(QByteArray());
        m_pieces.last().reserve(kPieceSize);
    }
    QByteArray &last = m_pieces.last();
    m_tailAt = last.size();
    *length = std::min<qint64>(*length, kPieceSize - m_tailAt);
    last.resize(m_tailAt + qsizetype(*length)); // within the reserved block: nothing moves
    return last.data() + m_tailAt;
}

void BodyPieces::grow(qint64 written)
{
    m_pieces.last().resize(m_tailAt + qsizetype(written));
    m_size += written;
}

void BodyPieces::clear()
{
    m_pieces = {};
    m_size = 0;
}

QByteArray BodyPieces::join()
{
    QByteArray whole;
    whole.reserve(qsizetype(m_size));
    for (QByteArray &piece : m_pieces)
        whole.append(std::exchange(piece, QByteArray()));
    clear();
    return whole;
}
