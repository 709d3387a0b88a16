#include "editorwindow/editrecorder.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;

tresult PLUGIN_API EditRecorder::beginEdit (Vst::ParamID id)
{
	calls.push_back ({EditCall::Kind::begin, id, 0.0});
	return kResultOk;
}

tresult PLUGIN_API EditRecorder::performEdit (Vst::ParamID id, Vst::ParamValue value)
{
	calls.push_back ({EditCall::Kind::perform, id, value});
	// Emptied before it runs, so that it runs once.
	if (auto action = std::exchange (onPerform, nullptr))
		action ();
	return kResultOk;
}

tresult PLUGIN_API EditRecorder::endEdit (Vst::ParamID id)
{
	calls.push_back ({EditCall::Kind::end, id, 0.0});
	return kResultOk;
}

tresult PLUGIN_API EditRecorder::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, Vst::IComponentHandler::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<Vst::IComponentHandler*> (this);
		return kResultOk;
	}
	*obj = nullptr;
	return kNoInterface;
}

std::string describe (const std::vector<EditCall>& calls)
{
	std::string text;
	for (const auto& call : calls)
	{
		char line[64];
		if (call.kind == EditCall::Kind::perform)
			std::snprintf (line, sizeof line, "perform %u %.9g", call.id, call.value);
		else
			std::snprintf (line, sizeof line, "%s %u", call.kind == EditCall::Kind::begin ? "begin" : "end", call.id);
		text += (text.empty () ? "" : ", ") + std::string (line);
	}
	return text.empty () ? "no calls" : text;
}

size_t performCount (const std::vector<EditCall>& calls)
{
	return static_cast<size_t> (std::count_if (calls.begin (), calls.end (), [] (const EditCall& call) {
		return call.kind == EditCall::Kind::perform;
	}));
}

Vst::ParamValue lastPerformed (const std::vector<EditCall>& calls)
{
	const auto last = std::find_if (calls.rbegin (), calls.rend (),
	                                [] (const EditCall& call) { return call.kind == EditCall::Kind::perform; });
	return last == calls.rend () ? -1.0 : last->value;
}

std::string gestureFault (const std::vector<EditCall>& calls, Vst::ParamID id, size_t performs)
{
	if (calls.size () < 2 || calls.front ().kind != EditCall::Kind::begin ||
	    calls.back ().kind != EditCall::Kind::end)
		return "the gesture is not framed by one beginEdit and one endEdit";
	for (size_t i = 0; i < calls.size (); ++i)
	{
		if (calls[i].id != id)
			return "a call names parameter " + std::to_string (calls[i].id);
		const bool inside = i > 0 && i + 1 < calls.size ();
		if (inside && calls[i].kind != EditCall::Kind::perform)
			return "a second beginEdit or endEdit inside the gesture";
		if (inside && i > 1 && calls[i].value == calls[i - 1].value)
			return "the same performEdit comes twice in a row";
	}
	if (performCount (calls) != performs)
		return std::to_string (performCount (calls)) + " performEdit calls instead of " + std::to_string (performs);
	return {};
}

} // namespace EditorWindow
} // namespace Tarvine
