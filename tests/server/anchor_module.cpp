// A module that stands in for the plug-in file: the tests copy it under the
// names they need and hand its handle to the manager.
#ifdef _WIN32
#define ANCHOR_EXPORT extern "C" __declspec(dllexport)
#else
#define ANCHOR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ANCHOR_EXPORT int AnchorFunction() { return 42; }
