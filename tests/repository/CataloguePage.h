#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Catalogue pages in the institute's table format, for download tests.
struct CatalogueRow {
    QString eventID;
    QDateTime date;  // UTC
    double latitude = 28.1;
    double longitude = -16.5;
    double depth = 10.0;
    double magnitude = 2.0;
    QString location = QStringLiteral("NE TENERIFE");
    QString maxIntensity;
    QString magnitudeType = QStringLiteral("mbLg");
};

inline QByteArray cataloguePage(const QList<CatalogueRow> &rows)
{
    auto decimal = [](double v) { return QString::number(v, 'f', 4).replace(QLatin1Char('.'), QLatin1Char(',')); };
    QString html = QStringLiteral("<html><body><table>\n<tr><th>Evento</th><th>Fecha</th><th>Hora</th></tr>\n");
    for (const CatalogueRow &r : rows) {
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td>"
                               "<td>%7</td><td>%8</td><td>%9</td><td>%10</td></tr>\n")
                    .arg(r.eventID, r.date.toUTC().toString(QStringLiteral("dd/MM/yyyy")),
                         r.date.toUTC().toString(QStringLiteral("HH:mm:ss")), decimal(r.latitude),
                         decimal(r.longitude), decimal(r.depth), r.maxIntensity, QString::number(r.magnitude, 'f', 1),
                         r.magnitudeType)
                    .arg(r.location.toHtmlEscaped());
    }
    html += QStringLiteral("</table></body></html>\n");
    return html.toUtf8();
}
