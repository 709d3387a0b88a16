#include "processor/plugprocessor.h"

namespace Steinberg {
namespace Vst {

// Threads. setState and getState may run while process runs on the audio
// thread. The two sides never share the engine or paramState while the
// processor is active:
// - setState keeps the record it read in hostState and, while active, hands
//   a copy to the audio thread through pendingState; process takes it at
//   the start of its next block, so only the audio thread ever writes
//   paramState and the engine values then. While inactive no process runs
//   and setState applies the record itself.
// - process changes paramState from the host's parameter changes and hands a
//   copy back through publishedState. getState takes it into hostState only
//   when it follows the latest setState (same generation): a copy made before
//   the audio thread took a newer restored record is older than that record
//   and is dropped. getState therefore writes the newest record, one still on
//   its way to the audio thread included, and reads nothing the audio thread
//   writes but the lock-free slot.
// - Both tell the tail length about the record they hold (see TailLength),
//   because the host may ask for it on any thread.

tresult PLUGIN_API PlugProcessor::setState (IBStream* state)
{
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	ParamState restored = hostState;
	const tresult result = readParamState (restored, state);
	if (result == kResultOk)
	{
		hostState = restored;
		++hostGeneration;
		tail.restored (hostGeneration, reverbTimeMsFor (hostState.values[3]));
		if (active)
		{
			pendingState.write ({hostState, hostGeneration});
			return result;
		}
		paramState = hostState;
		engineGeneration = hostGeneration;
	}
	// The engine follows the record at once. A record that failed to read
	// leaves the values as they were; deriving them again is harmless, and
	// on a fresh processor it is their first derivation (which the tail
	// length then reports). While active, deriving is the audio thread's
	// own business.
	if (!active)
	{
		updateParameters (false);
		tailFollowsEngine ();
	}
	return result;
}

tresult PLUGIN_API PlugProcessor::getState (IBStream* state)
{
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	StateRecord latest;
	if (publishedState.read (latest) && latest.generation == hostGeneration)
		hostState = latest.state;
	return writeParamState (hostState, state);
}

bool PlugProcessor::takePendingState ()
{
	StateRecord pending;
	if (!pendingState.read (pending))
		return false;
	paramState = pending.state;
	engineGeneration = pending.generation;
	updateParameters (false);
	return true;
}

void PlugProcessor::publishState ()
{
	publishedState.write ({paramState, engineGeneration});
	tailFollowsEngine ();
}

void PlugProcessor::tailFollowsEngine ()
{
	// Called right after the engine values were derived from paramState.
	tail.engineFollows (engineGeneration, rvbTimeMs);
}

} // namespace Vst
} // namespace Steinberg
