#pragma once

#include <QByteArray>
#include <QList>

// A body kept as it arrives, in pieces of a fixed size that never move once allocated. One
// buffer that grows with a body of tens of megabytes is moved whole, and faulted in again,
// each time it outgrows its block: on the thread that reads it, that is a long stall. The
// pieces are joined where that copy costs nothing that matters (a worker).
class BodyPieces {
public:
    static constexpr qsizetype kPieceSize = 1024 * 1024;

    qint64 size() const { return m_size; }

    // Where the next `*length` bytes go, or fewer (then `*length` says how many) when the last
    // piece has less room left; grow() then keeps as many as were written there.
    char *tail(qint64 *length);
    void grow(qint64 written);

    // Frees every piece.
    void clear();
    // The whole body in one buffer, freeing each piece once copied; leaves this empty.
    QByteArray join();

private:
    QList<QByteArray> m_pieces; // every one but the last full
    qint64 m_size = 0;
    qsizetype m_tailAt = 0; // where in the last piece tail() offered room
};
