#pragma once

#include <QColor>
#include <QQuickImageProvider>

// Serves "image://symbol/<name>?color=<hex>": the symbol's SVG drawn at the requested pixel
// size (the Image's sourceSize times the device pixel ratio, so it stays crisp) and tinted
// with one colour over its shape.
class SymbolImageProvider : public QQuickImageProvider {
public:
    static constexpr const char *providerId = "symbol";

    SymbolImageProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // Draws one symbol; unknown names draw the fallback square. Public for tests and tools.
    static QImage render(const QString &symbolName, const QColor &color, const QSize &pixelSize);
    // Installs the provider once per engine.
    static void install(QQmlEngine *engine);
};
