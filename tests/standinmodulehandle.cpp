// The SDK's editor code asks for the handle that the module entry keeps when
// a host loads the bundle. A test program links the controller directly and
// is loaded by nobody, so it has no such handle.
#if defined(__linux__)
void* moduleHandle = nullptr;
#endif
