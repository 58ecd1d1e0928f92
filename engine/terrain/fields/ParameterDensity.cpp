#include "terrain/fields/ParameterDensity.h"

namespace Ulvo {

std::unique_ptr<PlacementDensity> makeParameterDensity(XMLNode* description)
{
    if (!description)
        return nullptr;
    std::unique_ptr<Parameter> field(createParameter(description));
    if (!field)
        return nullptr;
    return std::make_unique<ParameterDensity>(std::move(field));
}

} // namespace Ulvo
