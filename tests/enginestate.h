#pragma once

#include "processor/paramstate.h"

#include "public.sdk/source/common/memorystream.h"

#include <initializer_list>

namespace Tarvine::Test {

// The processor's default record with some values replaced: {index, value}.
inline Steinberg::Vst::ParamState defaultRecordWith (
    std::initializer_list<std::pair<int, double>> replaced = {})
{
	Steinberg::Vst::ParamState state;
	const double defaults[] = {0.75, 0.5, 0.542562, 0.15, 1.0, 0.664386};
	for (int i = 0; i < 6; ++i)
		state.values[i] = defaults[i];
	for (const auto& [index, value] : replaced)
		state.values[index] = value;
	return state;
}

// A host stream holding one serialized record, positioned at its start.
inline void streamOf (const Steinberg::Vst::ParamState& state, Steinberg::MemoryStream& stream)
{
	Steinberg::Vst::writeParamState (state, &stream);
	stream.seek (0, Steinberg::IBStream::kIBSeekSet, nullptr);
}

} // namespace Tarvine::Test
