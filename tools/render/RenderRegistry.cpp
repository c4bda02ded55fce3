#include "RenderRegistry.h"

namespace {

QList<RenderState> &registry()
{
    static QList<RenderState> list;
    return list;
}

}  // namespace

bool RenderRegistry::add(RenderState state)
{
    registry().append(std::move(state));
    return true;
}

bool RenderRegistry::addLightAndDark(const RenderState &state)
{
    RenderState light = state;
    light.name += QStringLiteral("-light");
    light.dark = false;
    RenderState dark = state;
    dark.name += QStringLiteral("-dark");
    dark.dark = true;
    return add(std::move(light)) && add(std::move(dark));
}

const QList<RenderState> &RenderRegistry::states()
{
    return registry();
}
