#include "pluginparameters.h"

#include "public.sdk/source/vst/utility/stringconvert.h"

namespace Tarvine::Render {

using namespace Steinberg;
using namespace Steinberg::Vst;

void printParameters (const Hosting::PluginInstance& instance, std::FILE* out)
{
	auto& controller = instance.controller ();
	for (int32 index = 0; index < controller.getParameterCount (); ++index)
	{
		ParameterInfo info {};
		if (controller.getParameterInfo (index, info) != kResultOk)
			continue;
		const ParamValue value = controller.getParamNormalized (info.id);
		std::string units = VST3::StringConvert::convert (info.units);
		if (!units.empty ())
			units.insert (0, " ");
		std::fprintf (out, "%u\t%s\t%s%s\t(%s .. %s)\n", info.id, VST3::StringConvert::convert (info.title).c_str (),
		              instance.valueText (info.id, value).c_str (), units.c_str (),
		              instance.valueText (info.id, 0.0).c_str (), instance.valueText (info.id, 1.0).c_str ());
	}
}

bool applySettings (const Hosting::PluginInstance& instance,
                    const std::vector<std::pair<std::string, double>>& settings,
                    std::vector<std::pair<ParamID, ParamValue>>& changes, std::string& error)
{
	auto& controller = instance.controller ();
	for (const auto& [name, plain] : settings)
	{
		ParamID id = 0;
		if (!instance.findParameter (name, id))
		{
			error = "the plug-in has no parameter \"" + name + "\"";
			return false;
		}
		controller.setParamNormalized (id, controller.plainParamToNormalized (id, plain));
		const ParamValue normalized = controller.getParamNormalized (id);
		changes.emplace_back (id, normalized);
		std::fprintf (stderr, "%s = %s\n", instance.title (id).c_str (), instance.valueText (id, normalized).c_str ());
	}
	return true;
}

} // namespace Tarvine::Render
