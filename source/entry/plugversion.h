#pragma once

namespace Steinberg {
namespace Vst {

// What the module tells hosts about itself and its maker.
constexpr char kPlugVendor[] = "TAMRIX Soft";
// Placeholders until the maker has a public web address and mailbox.
constexpr char kPlugVendorUrl[] = "https://tarvine.example.org";
constexpr char kPlugVendorEmail[] = "mailto:support@tarvine.example.org";

constexpr char kPlugName[] = "tx QUERNA Tarvine";
constexpr char kPlugControllerName[] = "tx QUERNA Tarvine Controller";
constexpr char kPlugSubCategories[] = "Fx|Reverb";
constexpr char kPlugVersion[] = "1.1.0.1";
// The about box shows the release without the build number; kept beside the
// full version so that both change together.
constexpr char kPlugReleaseVersion[] = "1.1.0";
constexpr char kPlugSdkVersion[] = "VST 3.7.3";

} // namespace Vst
} // namespace Steinberg
