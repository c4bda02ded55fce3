#include "CataloguePage.h"

#include <QRandomGenerator>

namespace CataloguePage {

QDateTime defaultNewest()
{
    return QDateTime(QDate(2025, 3, 14), QTime(23, 30, 0), Qt::UTC);
}

const QStringList &placeNames()
{
    static const QStringList names = [] {
        const QStringList places = {
            "ADEJE.ITF", "ARONA.ITF", "GÜÍMAR.ITF", "ARAFO.ITF", "CANDELARIA.ITF", "SANTIAGO DEL TEIDE.ITF",
            "GUÍA DE ISORA.ITF", "LA OROTAVA.ITF", "SANTA ÚRSULA.ITF", "ICOD DE LOS VINOS.ITF", "GRANADILLA DE ABONA.ITF",
            "VILAFLOR.ITF", "FASNIA.ITF", "ARICO.ITF", "LOS SILOS.ITF", "BUENAVISTA DEL NORTE.ITF", "TACORONTE.ITF",
            "MOGÁN.IGC", "SAN BARTOLOMÉ DE TIRAJANA.IGC", "TELDE.IGC", "AGÜIMES.IGC", "GÁLDAR.IGC", "ARTENARA.IGC",
            "TEJEDA.IGC", "INGENIO.IGC", "AGAETE.IGC", "LA ALDEA DE SAN NICOLÁS.IGC", "VALSEQUILLO.IGC",
            "FUENCALIENTE DE LA PALMA.ILP", "TAZACORTE.ILP", "EL PASO.ILP", "LOS LLANOS DE ARIDANE.ILP", "GARAFÍA.ILP",
            "MAZO.ILP", "BREÑA ALTA.ILP", "BARLOVENTO.ILP", "PUNTAGORDA.ILP", "TIJARAFE.ILP",
            "FRONTERA.IHI", "LA RESTINGA.IHI", "VALVERDE.IHI", "EL PINAR.IHI",
            "VALLE GRAN REY.IGO", "SAN SEBASTIÁN DE LA GOMERA.IGO", "VALLEHERMOSO.IGO", "ALAJERÓ.IGO", "HERMIGUA.IGO",
            "HARÍA.ILZ", "TÍAS.ILZ", "TINAJO.ILZ", "YAIZA.ILZ", "TEGUISE.ILZ", "SAN BARTOLOMÉ.ILZ", "ARRECIFE.ILZ",
            "PÁJARA.IFV", "PUERTO DEL ROSARIO.IFV", "TUINEJE.IFV", "ANTIGUA.IFV", "LA OLIVA.IFV", "BETANCURIA.IFV",
        };
        const QStringList directions = {"", "N ", "NE ", "E ", "SE ", "S ", "SW ", "W ", "NW "};
        QStringList all;
        for (const QString &place : places)
            for (const QString &direction : directions)
                all << direction + place;
        // Sea areas with a distance, as the catalogue gives for events off the coast.
        const QStringList seas = {"ATLÁNTICO-CANARIAS", "CANAL TENERIFE-GRAN CANARIA", "CANAL GRAN CANARIA-FUERTEVENTURA",
                                  "CANAL LA GOMERA-TENERIFE", "VOLCÁN DE ENMEDIO"};
        for (const QString &sea : seas)
            for (int km = 5; km <= 300; km += 5)
                all << QStringLiteral("%1 KM %2").arg(km).arg(sea);
        return all;
    }();
    return names;
}

QString html(int rows, const QDateTime &newest, quint32 seed)
{
    QRandomGenerator random(seed);
    const QStringList &names = placeNames();
    const QStringList types = {"mbLg", "mbLg", "mbLg", "mbLg", "Mw", "mb", "MLv"};
    const QStringList intensities = {"II", "II-III", "III", "IV"};
    const auto decimal = [](double value, int decimals) {
        return QString::number(value, 'f', decimals).replace(u'.', u',');
    };

    QString page;
    page.reserve(qsizetype(rows) * 300 + 4000);
    page += QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Terremotos de los últimos 10 días - Canarias</title>\n"
        "<link rel=\"stylesheet\" href=\"/o/ign-theme/css/main.css\">\n</head>\n<body class=\"portal\">\n"
        "<header><nav><ul><li><a href=\"/web/ign/portal\">Inicio</a></li>"
        "<li><a href=\"/web/ign/portal/sis-area-sismicidad\">Sismicidad</a></li></ul></nav></header>\n"
        "<div class=\"portlet-body\">\n<h2>Últimos terremotos (10 días) &mdash; Islas Canarias</h2>\n"
        "<table class=\"table table-striped\" id=\"tablaTerremotos\">\n<thead>\n<tr class=\"cabecera\">"
        "<th>Evento</th><th>Fecha</th><th>Hora (UTC)</th><th>Latitud</th><th>Longitud</th><th>Prof. (Km)</th>"
        "<th>Int. máx.</th><th>Mag.</th><th>Tipo mag.</th><th>Localización</th></tr>\n</thead>\n<tbody>\n");

    const qint64 span = 10LL * 24 * 3600;
    const qint64 step = rows > 0 ? span / rows : span;
    for (int i = 0; i < rows; ++i) {
        const QDateTime when = newest.addSecs(-(i * step + random.bounded(int(qMax<qint64>(1, step)))));
        const QString id = QStringLiteral("es%1%2").arg(when.date().year()).arg(QString::number(0x100000 + i, 36));
        const double magnitude = random.bounded(5.0);
        const bool felt = magnitude > 2.5 && random.bounded(3) == 0;
        page += QStringLiteral("<tr><td class=\"evento\">") + id + QStringLiteral("</td><td>")
              + when.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral("</td><td>")
              + when.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("</td><td>")
              + decimal(27.5 + random.bounded(1.8), 4) + QStringLiteral("</td><td>")
              + decimal(-18.2 + random.bounded(4.8), 4) + QStringLiteral("</td><td>")
              + QString::number(random.bounded(1, 60)) + QStringLiteral("</td><td>")
              + (felt ? intensities[random.bounded(intensities.size())] : QString()) + QStringLiteral("</td><td>")
              + decimal(magnitude, 1) + QStringLiteral("</td><td>") + types[random.bounded(types.size())]
              + QStringLiteral("</td><td class=\"localizacion\"><a href=\"/detalle?evid=")
              + id + QStringLiteral("\" target=\"_blank\">") + names[random.bounded(names.size())]
              + QStringLiteral("</a>&nbsp;</td></tr>\n");
    }
    page += QStringLiteral("</tbody>\n</table>\n<table class=\"leyenda\"><tr><td>Fuente: Instituto Geográfico "
                           "Nacional</td></tr></table>\n</div>\n</body>\n</html>\n");
    return page;
}

QByteArray utf8(int rows, const QDateTime &newest, quint32 seed)
{
    return html(rows, newest, seed).toUtf8();
}

} // namespace CataloguePage
