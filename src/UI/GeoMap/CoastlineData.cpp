#include "CoastlineData.h"

#include <QDataStream>
#include <QFile>
#include <cstdio>

namespace {
constexpr double kFixed = 4294967296.0;
}

CoastlineData CoastlineData::parse(const QByteArray &file, QString *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = QString::fromLatin1(why);
        return CoastlineData();
    };
    if (file.size() < 12 || !file.startsWith("SMCL"))
        return fail("not a coastline file");
    QDataStream head(file);
    head.setByteOrder(QDataStream::LittleEndian);
    head.skipRawData(4);
    quint32 version = 0, rawSize = 0;
    head >> version >> rawSize;
    if (version != 2)
        return fail("unknown coastline file version");
    // qUncompress wants the expected size in front, big-endian.
    QByteArray packed;
    packed.reserve(file.size());
    packed.append(char(rawSize >> 24)).append(char(rawSize >> 16)).append(char(rawSize >> 8)).append(char(rawSize));
    packed.append(file.mid(12));
    const QByteArray body = qUncompress(packed);
    if (body.size() != qsizetype(rawSize))
        return fail("damaged coastline file");

    QDataStream in(body);
    in.setByteOrder(QDataStream::LittleEndian);
    auto point = [&in]() {
        quint32 x = 0, y = 0;
        in >> x >> y;
        return QPointF(x / kFixed, y / kFixed);
    };
    CoastlineData data;
    quint32 levelCount = 0;
    in >> levelCount;
    for (quint32 l = 0; l < levelCount && in.status() == QDataStream::Ok; ++l) {
        Level level;
        quint32 vertexCount = 0, triangleCount = 0, lineCount = 0;
        in >> level.zoom >> vertexCount >> triangleCount;
        if (quint64(vertexCount) * 8 + quint64(triangleCount) * 12 > quint64(body.size()))
            return fail("damaged coastline file");
        level.fillVertices.reserve(vertexCount);
        for (quint32 i = 0; i < vertexCount; ++i)
            level.fillVertices.append(point());
        level.fillIndices.resize(qsizetype(triangleCount) * 3);
        for (auto &index : level.fillIndices) {
            in >> index;
            if (index >= vertexCount)
                return fail("damaged coastline file");
        }
        in >> lineCount;
        for (quint32 i = 0; i < lineCount && in.status() == QDataStream::Ok; ++i) {
            Line line;
            quint8 closed = 0;
            quint32 n = 0;
            in >> closed >> n;
            if (quint64(n) * 8 > quint64(body.size()))
                return fail("damaged coastline file");
            line.closed = closed != 0;
            line.points.reserve(n);
            for (quint32 k = 0; k < n; ++k)
                line.points.append(point());
            level.lines.append(std::move(line));
        }
        data.m_levels.append(std::move(level));
    }
    if (in.status() != QDataStream::Ok)
        return fail("damaged coastline file");
    return data;
}

const CoastlineData &CoastlineData::bundled()
{
    static const CoastlineData data = [] {
        QFile f(QStringLiteral(":/map/coastlines.bin"));
        QString error = QStringLiteral("missing resource");
        CoastlineData d;
        if (f.open(QIODevice::ReadOnly))
            d = parse(f.readAll(), &error);
        if (d.isEmpty())
            std::fprintf(stderr, "map: no coastlines (%s)\n", qPrintable(error));
        return d;
    }();
    return data;
}

int CoastlineData::levelFor(double zoom) const
{
    for (int i = 0; i < m_levels.size(); ++i) {
        if (zoom <= m_levels[i].zoom)
            return i;
    }
    return int(m_levels.size()) - 1;
}
