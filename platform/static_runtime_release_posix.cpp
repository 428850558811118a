// Linked only into modules that carry their own copy of the C++ runtime (see
// cmake/static_runtime.cmake). That copy allocates its exception pool and
// other buffers when the module loads and, unlike the shared runtime, is gone
// after an unload: without this, each load and unload by a host would leak
// them. Never linked beside the shared runtime, whose buffers are the whole
// process's.
namespace __gnu_cxx {
void __freeres() throw();
}

namespace {

// Runs after the module's other destructors: nothing of the module throws
// once its unload has got this far.
__attribute__((destructor(101))) void ReleaseModuleRuntime() { __gnu_cxx::__freeres(); }

}  // namespace
