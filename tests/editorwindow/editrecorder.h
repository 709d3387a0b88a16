#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <functional>
#include <string>
#include <vector>

namespace Tarvine {
namespace EditorWindow {

struct EditCall
{
	enum class Kind
	{
		begin,
		perform,
		end
	};
	Kind kind;
	Steinberg::Vst::ParamID id;
	Steinberg::Vst::ParamValue value; // performEdit's only
};

// The host's end of parameter edits: it keeps every beginEdit, performEdit
// and endEdit in the order they come, the way a host records automation.
// Lives on the host's stack: no reference counting.
class EditRecorder : public Steinberg::Vst::IComponentHandler
{
public:
	Steinberg::tresult PLUGIN_API beginEdit (Steinberg::Vst::ParamID id) override;
	Steinberg::tresult PLUGIN_API performEdit (Steinberg::Vst::ParamID id,
	                                           Steinberg::Vst::ParamValue value) override;
	Steinberg::tresult PLUGIN_API endEdit (Steinberg::Vst::ParamID id) override;
	Steinberg::tresult PLUGIN_API restartComponent (Steinberg::int32) override { return Steinberg::kResultOk; }

	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

	std::vector<EditCall> calls;
	// Run by the next performEdit, once, after recording it: what a host
	// does in answer to an edit.
	std::function<void ()> onPerform;
};

// The calls as one line, e.g. "begin 1, perform 1 0.25, end 1".
std::string describe (const std::vector<EditCall>& calls);

size_t performCount (const std::vector<EditCall>& calls);

// The value of the last performEdit; -1 when there is none.
Steinberg::Vst::ParamValue lastPerformed (const std::vector<EditCall>& calls);

// What is wrong with the calls of one finished gesture on parameter id, or
// an empty text: they must open with one beginEdit and close with one
// endEdit, all for id, and hold exactly `performs` performEdit calls in
// between, no two alike.
std::string gestureFault (const std::vector<EditCall>& calls, Steinberg::Vst::ParamID id, size_t performs);

} // namespace EditorWindow
} // namespace Tarvine
