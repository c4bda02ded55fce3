// The form controls shared by the settings window and the history filter sheet.
#include "RenderRegistry.h"

namespace {

const QUrl kScene(QStringLiteral("qrc:/render/scenes/FormControls.qml"));

const bool registered =
    RenderRegistry::addLightAndDark({QStringLiteral("shared-form"), kScene, QSize(520, 560)})
    && RenderRegistry::addLightAndDark({QStringLiteral("shared-form-menu"), kScene, QSize(520, 560), false,
                                        {{QStringLiteral("menuOpen"), true}}});

}  // namespace
