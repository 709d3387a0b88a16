#pragma once

namespace Steinberg {
namespace Vst {

class ParameterContainer;

// Adds the seven parameters, in id order, to an empty container.
void addPlugParameters (ParameterContainer& parameters);

} // namespace Vst
} // namespace Steinberg
