#pragma once

namespace Tarvine::Render {

// From here on SIGINT, SIGTERM and SIGHUP (where the platform has it) only
// note that they came, so that a render can stop between two blocks and
// take its unfinished file away rather than die in the middle of writing
// it. A signal the caller ignores (nohup, a background job) stays ignored.
void catchInterruptions ();

// The first of those signals that came, or 0.
int interruptingSignal ();

} // namespace Tarvine::Render
