// The shared pieces: gallery, event rows and badges, icons, popover and sheet.
#include "RenderRegistry.h"

namespace {

QUrl scene(const char *file)
{
    return QUrl(QStringLiteral("qrc:/render/scenes/") + QLatin1String(file));
}

const bool registered =
    RenderRegistry::addLightAndDark({QStringLiteral("shared-gallery"), scene("Gallery.qml"), QSize(1000, 760)})
    && RenderRegistry::addLightAndDark({QStringLiteral("shared-rows"), scene("Rows.qml"), QSize(460, 560)})
    && RenderRegistry::addLightAndDark({QStringLiteral("shared-symbols"), scene("SymbolGrid.qml"), QSize(760, 480)})
    && RenderRegistry::addLightAndDark({QStringLiteral("shared-overlays"), scene("Overlays.qml"), QSize(820, 520)});

}  // namespace
