#pragma once

#include "plugininstance.h"

#include "pluginterfaces/vst/vsttypes.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace Tarvine::Render {

// One line a parameter: id, title, value, and the range, as the
// controller shows them.
void printParameters (const Hosting::PluginInstance& instance, std::FILE* out);

// Sets each parameter named (by id or title) to its plain value in the
// controller, and gives the normalized values for the processor in
// `changes`; says each on standard error as the controller shows it.
// False with a reason in `error` for a name the plug-in does not have.
bool applySettings (const Hosting::PluginInstance& instance,
                    const std::vector<std::pair<std::string, double>>& settings,
                    std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>>& changes,
                    std::string& error);

} // namespace Tarvine::Render
