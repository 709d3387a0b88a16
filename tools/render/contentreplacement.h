#pragma once

#include <string>

namespace Tarvine::Render {

enum class ReplacementOutcome
{
	kReplaced,
	kFailed,     // the file as it was, unless the error says otherwise
	kInterrupted // a signal came while waiting for another render to finish with the file; untouched
};

// Makes the existing file open as `target` hold the complete file open as
// `source`, and otherwise stay the same file: its owner, group, mode, ACL,
// attributes and all its names. Renders that replace one file at once take
// turns. The room for the new contents is reserved first, so that a full
// disk stops it before a byte changes; where the file system cannot
// reserve room, the old contents are first kept in a file made in
// `spareFolder`, to be written back if the copy fails. Catchable signals
// wait while the contents change and take effect right after; then the
// new contents are flushed to disk. On failure a reason in `error`.
ReplacementOutcome replaceContents (int target, int source, const std::string& spareFolder, std::string& error);

} // namespace Tarvine::Render
