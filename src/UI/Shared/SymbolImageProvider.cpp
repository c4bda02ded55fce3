#include "SymbolImageProvider.h"

#include "SymbolCatalog.h"

#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>
#include <QUrlQuery>

namespace {

constexpr int kDefaultPixels = 32;

}  // namespace

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    // id is "<name>" or "<name>?color=<hex without #>"
    const qsizetype question = id.indexOf(QLatin1Char('?'));
    const QString name = question < 0 ? id : id.left(question);
    QColor color(Qt::black);
    if (question >= 0) {
        const QUrlQuery query(id.mid(question + 1));
        const QColor parsed(QLatin1Char('#') + query.queryItemValue(QStringLiteral("color")));
        if (parsed.isValid())
            color = parsed;
    }
    QSize pixels = requestedSize;
    if (pixels.width() <= 0 && pixels.height() <= 0)
        pixels = QSize(kDefaultPixels, kDefaultPixels);
    else if (pixels.width() <= 0)
        pixels.setWidth(pixels.height());
    else if (pixels.height() <= 0)
        pixels.setHeight(pixels.width());

    QImage image = render(name, color, pixels);
    if (size)
        *size = image.size();
    return image;
}

QImage SymbolImageProvider::render(const QString &symbolName, const QColor &color, const QSize &pixelSize)
{
    QString file = SymbolCatalog::fileFor(symbolName);
    if (file.isEmpty())
        file = SymbolCatalog::fallbackFile();

    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the drawing's aspect ratio, centred in the box.
    QSizeF drawn = svg.viewBoxF().size();
    if (drawn.isEmpty())
        drawn = QSizeF(pixelSize);
    drawn.scale(QSizeF(pixelSize), Qt::KeepAspectRatio);
    const QRectF target((pixelSize.width() - drawn.width()) / 2.0,
                        (pixelSize.height() - drawn.height()) / 2.0, drawn.width(), drawn.height());
    svg.render(&painter, target);
    // Tint: keep the drawing's coverage, replace its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

void SymbolImageProvider::install(QQmlEngine *engine)
{
    const QString id = QString::fromLatin1(providerId);
    if (engine && !engine->imageProvider(id))
        engine->addImageProvider(id, new SymbolImageProvider);
}
