#pragma once

#include "controller/plugaboutcontroller.h"

#include "public.sdk/source/vst/vsteditcontroller.h"
#include "vstgui/plugin-bindings/vst3editor.h"

#include <vector>

namespace Steinberg {
namespace Vst {

// The edit controller: publishes the seven parameters, mirrors the
// processor's saved state and hands out the editor. It keeps no state of
// its own and exchanges no messages with the processor.
class PlugController : public EditController, public VSTGUI::VST3EditorDelegate
{
public:
	// Not user-provided, so that `new PlugController ()` value-initialises.
	PlugController () = default;
	~PlugController () override;

	// Builds the parameter table. A second call without terminate answers
	// kResultOk and leaves the table as it is.
	tresult PLUGIN_API initialize (FUnknown* context) override;

	// Mirrors a processor state stream into the parameters; a stream that
	// does not hold a whole record changes nothing and gives kResultFalse.
	tresult PLUGIN_API setComponentState (IBStream* state) override;

	// Stores the value clamped into [0, 1]; NaN is stored as 0.
	tresult PLUGIN_API setParamNormalized (ParamID tag, ParamValue value) override;

	// The parameter's value text. A missing text buffer gives
	// kInvalidArgument, whatever the id; an id not in the table kResultFalse.
	tresult PLUGIN_API getParamStringByValue (ParamID tag, ParamValue valueNormalized,
	                                          String128 string) override;
	// The parameter's reading of a value text. A missing text gives
	// kInvalidArgument, whatever the id; an id not in the table and a text
	// the parameter does not read give kResultFalse.
	tresult PLUGIN_API getParamValueByString (ParamID tag, TChar* string,
	                                          ParamValue& valueNormalized) override;

	// The parameter's mapping of a value clamped into its range first (NaN
	// as the range's start), so the answer is always one the parameter can
	// take. An id that is not in the table gives the value unchanged.
	ParamValue PLUGIN_API normalizedParamToPlain (ParamID tag, ParamValue valueNormalized) override;
	ParamValue PLUGIN_API plainParamToNormalized (ParamID tag, ParamValue plainValue) override;

	// "editor" gives a new editor on the template "view" of "plug.uidesc"
	// and sets the host knob mode to linear; any other name gives null.
	IPlugView* PLUGIN_API createView (FIDString name) override;

	// "AboutController" gives a new about box controller, told whether the
	// host wraps us as an Audio Unit; any other name gives null.
	VSTGUI::IController* createSubController (VSTGUI::UTF8StringPtr name,
	                                          const VSTGUI::IUIDescription* description,
	                                          VSTGUI::VST3Editor* editor) override;

	// Brings every control of the editor just opened to its parameter's
	// value before the editor paints for the first time.
	void didOpen (VSTGUI::VST3Editor* editor) override;

	using AboutController = PlugAboutController<PlugController>;

	// The about controllers alive right now, in creation order. The GUI
	// library owns them; each one leaves the list in its destructor.
	void addAboutController (AboutController* about);
	void removeAboutController (AboutController* about);
	const std::vector<AboutController*>& getAboutControllers () const { return aboutControllers; }

private:
	bool hostWrapsAsAudioUnit () const;

	std::vector<AboutController*> aboutControllers;
};

} // namespace Vst
} // namespace Steinberg
