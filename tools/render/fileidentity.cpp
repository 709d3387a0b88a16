#include "fileidentity.h"

#include <sys/stat.h>

namespace Tarvine::Render {

std::optional<FileIdentity> identityOf (int descriptor)
{
	struct stat status {};
	if (fstat (descriptor, &status) != 0)
		return std::nullopt;
	return FileIdentity {status.st_dev, status.st_ino};
}

bool isRegularFile (int descriptor)
{
	struct stat status {};
	return fstat (descriptor, &status) == 0 && S_ISREG (status.st_mode);
}

} // namespace Tarvine::Render
