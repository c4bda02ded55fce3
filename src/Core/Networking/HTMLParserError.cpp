#include "HTMLParserError.h"

QString description(HTMLParserError error)
{
    switch (error) {
    case HTMLParserError::invalidResponse:
        return QStringLiteral("Respuesta HTTP inválida");
    case HTMLParserError::noTableFound:
        return QStringLiteral("No se encontró la tabla de terremotos en la página");
    case HTMLParserError::noRowsParsed:
        return QStringLiteral("No se pudieron extraer filas de la tabla");
    }
    return {};
}

Error toError(HTMLParserError error)
{
    return Error{Error::Domain::Parser, int(error), description(error)};
}
