#pragma once

#include "controller/aboutplatform.h"
#include "entry/plugversion.h"

#include "base/source/fstring.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/controls/ctextlabel.h"
#include "vstgui/lib/iviewlistener.h"
#include "vstgui/uidescription/icontroller.h"

namespace Steinberg {
namespace Vst {

// The editor's about box: while its on/off button is on, its label shows the
// version, the plug-in format the host runs us in and the processor platform;
// while the button is off the label is empty.
//
// The GUI library owns this object and deletes it with the view that carries
// it; the owner only lists it (addAboutController / removeAboutController).
// The views are not ours either, so every binding is also a view listener:
// whichever of a view and this object goes first, neither is left calling
// into the other.
template <typename Owner>
class PlugAboutController : public VSTGUI::IController, public VSTGUI::ViewListenerAdapter
{
public:
	PlugAboutController (Owner* owner, bool wrappedAsAU)
	: controller (owner)
	, formatStr (wrappedAsAU ? "AU" : "VST3")
	, versionStr (kPlugReleaseVersion)
	, platformStr (hostPlatformText ().c_str ())
	{
	}

	~PlugAboutController () override
	{
		unbindLabel ();
		unbindButton ();
		if (controller)
			controller->removeAboutController (this);
	}

	PlugAboutController (const PlugAboutController&) = delete;
	PlugAboutController& operator= (const PlugAboutController&) = delete;

	void valueChanged (VSTGUI::CControl* control) override
	{
		if (control == nullptr || control != button)
			return;
		if (label)
			label->setText (aboutText (button->getValue ()));
	}

	VSTGUI::CView* verifyView (VSTGUI::CView* view, const VSTGUI::UIAttributes& /*attributes*/,
	                           const VSTGUI::IUIDescription* /*description*/) override
	{
		if (view == nullptr)
			return view;
		if (auto textLabel = dynamic_cast<VSTGUI::CTextLabel*> (view))
			bindLabel (textLabel);
		if (auto onOffButton = dynamic_cast<VSTGUI::COnOffButton*> (view))
			bindButton (onOffButton);
		return view;
	}

	void viewWillDelete (VSTGUI::CView* view) override
	{
		if (view == nullptr)
			return;
		if (view == label)
			unbindLabel ();
		if (view == button)
			unbindButton ();
	}

private:
	// The line for a button value; NaN compares equal to nothing, so it
	// counts as off like zero does.
	VSTGUI::UTF8String aboutText (float buttonValue) const
	{
		const bool on = buttonValue < 0.f || buttonValue > 0.f;
		String text;
		if (on)
		{
			text.append (versionStr);
			text.append (", ");
			text.append (formatStr);
			text.append (" ");
			text.append (platformStr);
		}
		text.toMultiByte (kCP_Utf8);
		return VSTGUI::UTF8String (text.text8 () ? text.text8 () : "");
	}

	void bindLabel (VSTGUI::CTextLabel* newLabel)
	{
		if (newLabel == label)
			return;
		unbindLabel ();
		label = newLabel;
		label->registerViewListener (this);
		label->setText (VSTGUI::UTF8String (""));
	}

	void unbindLabel ()
	{
		if (label == nullptr)
			return;
		label->unregisterViewListener (this);
		label = nullptr;
	}

	// The library tells control listeners nothing about deletion, so the
	// button is watched as a view as well: its viewWillDelete comes while it
	// is still whole, and after it nothing here touches it again.
	void bindButton (VSTGUI::COnOffButton* newButton)
	{
		if (newButton == button)
			return;
		unbindButton ();
		button = newButton;
		button->registerControlListener (this);
		button->registerViewListener (this);
		valueChanged (button);
	}

	void unbindButton ()
	{
		if (button == nullptr)
			return;
		button->unregisterControlListener (this);
		button->unregisterViewListener (this);
		button = nullptr;
	}

	Owner* const controller;
	VSTGUI::COnOffButton* button {nullptr};
	VSTGUI::CTextLabel* label {nullptr};
	const String formatStr;
	const String versionStr;
	const String platformStr;
};

} // namespace Vst
} // namespace Steinberg
