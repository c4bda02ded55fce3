#pragma once

// How much resident memory a piece of work adds at its peak, from /proc/self.

#include <QByteArray>
#include <QFile>
#include <functional>
#include <malloc.h>

namespace ResidentMemory {

// Resident memory from /proc/self/status, in bytes: "VmRSS:" now or "VmHWM:", its peak.
inline qint64 bytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// The peak of resident memory that `work` adds to what is resident when it starts; -1 when
// the kernel would not reset the peak.
inline qint64 peakExtraBytes(const std::function<void()> &work)
{
    malloc_trim(0);
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        return -1;
    reset.close();
    const qint64 before = bytes("VmRSS:");
    work();
    return bytes("VmHWM:") - before;
}

} // namespace ResidentMemory
