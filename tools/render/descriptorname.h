#pragma once

#include <string>

namespace Tarvine::Render {

// True, with a reason in `error`, when `path` (through its links, as
// /dev/stdout leads to /proc/self/fd/1) names one of this process's
// descriptors that is not open. Asked before the input is opened: the
// input would take the lowest free descriptor, and such a name would then
// lead to the input itself.
bool namesAClosedDescriptor (const std::string& path, std::string& error);

} // namespace Tarvine::Render
