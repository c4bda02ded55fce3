#include "MagnitudeCategory.h"

#include "Platform/Localization.h"
#include "Platform/RawValue.h"

MagnitudeCategory MagnitudeCategory::from(double magnitude)
{
    // Written as the comparisons themselves so that NaN fails every one and lands in "major".
    if (magnitude < 2.0)
        return Micro;
    if (magnitude >= 2.0 && magnitude < 4.0)
        return Low;
    if (magnitude >= 4.0 && magnitude < 6.0)
        return Moderate;
    if (magnitude >= 6.0 && magnitude < 7.0)
        return Strong;
    return Major;
}

std::optional<MagnitudeCategory> MagnitudeCategory::fromRawValue(const QString &raw)
{
    return caseWithRawValue(allCases(), raw);
}

const std::array<MagnitudeCategory, 5> &MagnitudeCategory::allCases()
{
    static const std::array<MagnitudeCategory, 5> cases{Micro, Low, Moderate, Strong, Major};
    return cases;
}

QString MagnitudeCategory::rawValue() const
{
    switch (m_value) {
    case Micro: return QStringLiteral("micro");
    case Low: return QStringLiteral("low");
    case Moderate: return QStringLiteral("moderate");
    case Strong: return QStringLiteral("strong");
    case Major: return QStringLiteral("major");
    }
    return {};
}

double MagnitudeCategory::minimumMagnitude() const
{
    switch (m_value) {
    case Micro: return 0.0;
    case Low: return 2.0;
    case Moderate: return 4.0;
    case Strong: return 6.0;
    case Major: return 7.0;
    }
    return 0.0;
}

QString MagnitudeCategory::range() const
{
    switch (m_value) {
    case Micro: return QStringLiteral("< 2.0");
    case Low: return QStringLiteral("2.0 \u2013 3.9");
    case Moderate: return QStringLiteral("4.0 \u2013 5.9");
    case Strong: return QStringLiteral("6.0 \u2013 6.9");
    case Major: return QStringLiteral("\u2265 7.0");
    }
    return {};
}

QString MagnitudeCategory::label() const
{
    switch (m_value) {
    case Micro: return L("magnitude.category.micro", QStringLiteral("Micro"));
    case Low: return L("magnitude.category.low", QStringLiteral("Leve"));
    case Moderate: return L("magnitude.category.moderate", QStringLiteral("Moderado"));
    case Strong: return L("magnitude.category.strong", QStringLiteral("Fuerte"));
    case Major: return L("magnitude.category.major", QStringLiteral("Muy Fuerte"));
    }
    return {};
}

QString MagnitudeCategory::description() const
{
    switch (m_value) {
    case Micro:
        return L("magnitude.category.micro.description",
                 QStringLiteral("Imperceptible para la mayoría de personas. Detectado únicamente por instrumentos sísmicos."));
    case Low:
        return L("magnitude.category.low.description",
                 QStringLiteral("Habitualmente imperceptible o sentido como una ligera vibración. No causan daños."));
    case Moderate:
        return L("magnitude.category.moderate.description",
                 QStringLiteral("Se siente como un movimiento claro de suelos y paredes. Raramente causan daños, pero pueden ser aterradores."));
    case Strong:
        return L("magnitude.category.strong.description",
                 QStringLiteral("Puede romper ventanas, hacer caer objetos y dañar edificios antiguos. Es necesario tener precaución."));
    case Major:
        return L("magnitude.category.major.description",
                 QStringLiteral("Puede causar destrucción significativa. Sigue las recomendaciones de seguridad, busca un lugar seguro y mantente alerta."));
    }
    return {};
}

QColor MagnitudeCategory::color() const
{
    switch (m_value) {
    case Micro: return QColor::fromRgbF(1.0f, 0.97f, 0.65f);
    case Low: return QColor::fromRgbF(1.0f, 0.85f, 0.0f);
    case Moderate: return QColor::fromRgbF(1.0f, 0.6f, 0.0f);
    case Strong: return QColor::fromRgbF(0.9f, 0.35f, 0.0f);
    case Major: return systemRed();
    }
    return {};
}

QColor systemRed()
{
    return QColor(255, 59, 48);
}
