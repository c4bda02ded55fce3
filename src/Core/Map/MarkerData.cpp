#include "MarkerData.h"

#include "Map/MapProjection.h"

#include <cmath>
#include <limits>

int MarkerData::addStyle(const Style &style)
{
    const QString key = QString::number(style.color.rgba(), 16) + QLatin1Char('/') + QString::number(style.diameter)
        + QLatin1Char('/') + style.label;
    if (const auto it = m_styleIndex.constFind(key); it != m_styleIndex.cend())
        return *it;
    // Each style is a sprite in the layer's atlas and an entry keeps its index in 16 bits: a
    // catalogue of countless distinct magnitudes must neither grow the atlas without end nor
    // wrap an index onto another style. Past the bound new labels are drawn as a bare disc.
    if (m_styles.size() >= kMaxLabelledStyles && !style.label.isEmpty())
        return addStyle({style.color, style.diameter, QString()});
    if (m_styles.size() >= kMaxStyles)
        return 0;
    m_styles.append(style);
    m_styleIndex.insert(key, int(m_styles.size() - 1));
    if (style.diameter > m_maxDiameter)
        m_maxDiameter = style.diameter;
    return int(m_styles.size() - 1);
}

bool MarkerData::isDrawable(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= MapProjection::kMaxLatitude
        && std::abs(longitude) <= 180.0;
}

void MarkerData::append(qint64 key, double latitude, double longitude, int style)
{
    m_keys.push_back(key);
    m_world.push_back(isDrawable(latitude, longitude) ? MapProjection::toWorld(latitude, longitude)
                                                      : QPointF(qQNaN(), qQNaN()));
    m_style.push_back(quint16(style));
}

void MarkerData::append(qint64 key, const QGeoCoordinate &coordinate, int style)
{
    if (coordinate.isValid())
        append(key, coordinate.latitude(), coordinate.longitude(), style);
    else
        append(key, qQNaN(), qQNaN(), style);
}

void MarkerData::appendEntry(const MarkerData &from, size_t entry)
{
    m_keys.push_back(from.m_keys[entry]);
    m_world.push_back(from.m_world[entry]);
    m_style.push_back(from.m_style[entry]);
}

void MarkerData::reserve(size_t n)
{
    m_keys.reserve(n);
    m_world.reserve(n);
    m_style.reserve(n);
}

void MarkerData::copyStyles(const MarkerData &from)
{
    m_styles = from.m_styles;
    m_styleIndex = from.m_styleIndex;
    m_maxDiameter = from.m_maxDiameter;
}
