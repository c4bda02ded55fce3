#pragma once

#include "Platform/Error.h"

#include <QByteArray>
#include <memory>

class QIODevice;

// Reads a response body in the content coding its response names. Qt would decode a
// compressed body itself, but all that one piece of input decodes to at once, inside its own
// delivery on the main thread, and with its input buffer credited with the decoded bytes, so
// that compressed input runs ahead: decoded here, each call does a bounded amount.
class ContentDecoder {
public:
    // What one call did.
    struct Step {
        qint64 decoded = 0; // bytes written for the caller
        qint64 read = 0;    // bytes taken from the response
    };

    // The codings read here, as a request asks for them (Accept-Encoding).
    static const QByteArray acceptedCodings;
    // The decoder for a response's Content-Encoding (empty for none), or the transport error
    // of a coding not read here.
    static Expected<std::unique_ptr<ContentDecoder>> forCoding(const QByteArray &coding);

    virtual ~ContentDecoder() = default;
    // Decodes what `in` holds into `out`, at most `length` bytes, reading from `in` about as
    // many bytes at the most. A step that decodes and reads nothing means `in` has nothing
    // more for now. Fails as a transport error when the body does not decode.
    virtual Expected<Step> decode(QIODevice *in, char *out, qint64 length) = 0;
    // Whether what was read ends where its coding says the body ends (an empty body does).
    virtual bool isWhole() const = 0;
};
