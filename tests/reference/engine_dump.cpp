// Plays one run of a scenario file through PlugProcessor's VST3 interfaces
// and writes the raw output samples, so that compare_with_reference.py can
// hold them against the Python reference model bit for bit.
//
// Usage: engine_dump SCENARIO RUN_INDEX 32|64 OUTPUT_FILE [INPUT_FILE]
// Both files hold the frames interleaved (left, right) as native samples of
// the chosen width; INPUT_FILE receives the input as the engine saw it.
// The scenario format is described at the top of tests/reference/scenario.txt.

#include "enginehost.h"

#include "processor/paramstate.h"
#include "public.sdk/source/common/memorystream.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Tarvine::Test;

struct Change
{
	int64_t frame;
	ParamID id;
	double value;
};

struct Run
{
	double sampleRate = 0;
	int64_t frames = 0;
	int32 blockSize = 0;
	std::map<ParamID, double> initial; // given through setState before activation
	std::vector<double> left, right;
	std::vector<Change> changes;
};

// The LCG burst: both channels, left sample first, exact as floats.
void writeNoise (Run& run, int64_t first, int64_t count, uint32_t seed, int shift)
{
	uint32_t state = seed;
	const auto sample = [&state, shift] () {
		state = state * 1664525u + 1013904223u;
		const auto centred = static_cast<int32_t> (state >> 8) - (int32_t {1} << 23);
		return std::ldexp (static_cast<double> (centred), -(23 + shift));
	};
	for (int64_t frame = first; frame < first + count; ++frame)
	{
		run.left.at (frame) = sample ();
		run.right.at (frame) = sample ();
	}
}

bool readRun (const char* path, int index, Run& result)
{
	std::ifstream file (path);
	if (!file)
		return false;
	std::string line;
	int current = -1;
	while (std::getline (file, line))
	{
		line = line.substr (0, line.find ('#'));
		std::istringstream words (line);
		std::string kind;
		if (!(words >> kind))
			continue;
		if (kind == "run")
		{
			++current;
			if (current == index)
			{
				words >> result.sampleRate >> result.frames >> result.blockSize;
				if (!words || result.frames <= 0 || result.blockSize <= 0)
					return false;
				result.left.assign (result.frames, 0.0);
				result.right.assign (result.frames, 0.0);
			}
			continue;
		}
		if (current != index)
			continue;
		if (kind == "initial")
		{
			ParamID id;
			std::string value;
			if (!(words >> id >> value))
				return false;
			result.initial[id] = std::strtod (value.c_str (), nullptr);
		}
		else if (kind == "click")
		{
			int64_t frame;
			double left, right;
			if (!(words >> frame >> left >> right))
				return false;
			result.left.at (frame) = left;
			result.right.at (frame) = right;
		}
		else if (kind == "noise")
		{
			int64_t first, count;
			uint32_t seed;
			int shift;
			if (!(words >> first >> count >> seed >> shift))
				return false;
			writeNoise (result, first, count, seed, shift);
		}
		else if (kind == "change")
		{
			Change change {};
			// Parsed with strtod, like Python's float(), to the nearest double.
			std::string value;
			if (!(words >> change.frame >> change.id >> value))
				return false;
			change.value = std::strtod (value.c_str (), nullptr);
			result.changes.push_back (change);
		}
		else
			return false;
	}
	return current >= index && result.frames > 0;
}

// The processor's own state with the run's initial values put in, handed
// back through setState as a host restoring a project would.
bool restoreInitialState (EngineHost& host, const Run& run)
{
	MemoryStream saved;
	ParamState state;
	if (host.component->getState (&saved) != kResultOk)
		return false;
	saved.seek (0, IBStream::kIBSeekSet, nullptr);
	if (readParamState (state, &saved) != kResultOk)
		return false;
	for (const auto& [id, value] : run.initial)
	{
		if (id == kParamBypass)
			state.bypass = value > 0.5;
		else if (id >= kParamLevel && id <= kParamLPCut)
			state.values[id - 1] = value;
	}
	MemoryStream restored;
	if (writeParamState (state, &restored) != kResultOk)
		return false;
	restored.seek (0, IBStream::kIBSeekSet, nullptr);
	return host.component->setState (&restored) == kResultOk;
}

template <typename Sample>
bool render (Run& run, const char* outputPath, const char* inputPath)
{
	EngineHost host (run.sampleRate, symbolicSizeOf<Sample> (), false);
	if (!run.initial.empty () && !restoreInitialState (host, run))
		return false;
	if (host.component->setActive (true) != kResultOk)
		return false;

	std::vector<Sample> inL (run.left.begin (), run.left.end ());
	std::vector<Sample> inR (run.right.begin (), run.right.end ());
	std::vector<Sample> outL (run.frames), outR (run.frames);
	for (int64_t start = 0; start < run.frames; start += run.blockSize)
	{
		const auto count = static_cast<int32> (std::min<int64_t> (run.blockSize, run.frames - start));
		for (const Change& change : run.changes)
		{
			if (change.frame >= start && change.frame < start + run.blockSize)
				host.change (change.id, change.value, static_cast<int32> (change.frame - start));
		}
		Sample* in[] = {inL.data () + start, inR.data () + start};
		Sample* out[] = {outL.data () + start, outR.data () + start};
		if (host.run (in, out, count) != kResultOk)
			return false;
	}

	const auto write = [&run] (const char* path, const std::vector<Sample>& left, const std::vector<Sample>& right) {
		std::vector<Sample> frames;
		frames.reserve (2 * left.size ());
		for (int64_t i = 0; i < run.frames; ++i)
		{
			frames.push_back (left[i]);
			frames.push_back (right[i]);
		}
		std::FILE* file = std::fopen (path, "wb");
		if (!file)
			return false;
		const bool written = std::fwrite (frames.data (), sizeof (Sample), frames.size (), file) == frames.size ();
		return std::fclose (file) == 0 && written;
	};
	return write (outputPath, outL, outR) && (!inputPath || write (inputPath, inL, inR));
}

} // namespace

int main (int argc, char* argv[])
{
	if (argc != 5 && argc != 6)
	{
		std::fprintf (stderr, "usage: engine_dump SCENARIO RUN_INDEX 32|64 OUTPUT_FILE [INPUT_FILE]\n");
		return 2;
	}
	Run run;
	if (!readRun (argv[1], std::atoi (argv[2]), run))
	{
		std::fprintf (stderr, "engine_dump: cannot read run %s of %s\n", argv[2], argv[1]);
		return 2;
	}
	const std::string width = argv[3];
	const char* inputPath = argc == 6 ? argv[5] : nullptr;
	bool ok = false;
	if (width == "64")
		ok = render<double> (run, argv[4], inputPath);
	else if (width == "32")
		ok = render<float> (run, argv[4], inputPath);
	else
		std::fprintf (stderr, "engine_dump: sample width must be 32 or 64\n");
	if (!ok)
		std::fprintf (stderr, "engine_dump: rendering failed\n");
	return ok ? 0 : 1;
}
