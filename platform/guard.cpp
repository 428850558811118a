#include "platform/guard.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32
namespace {

// A fault inside a guarded call is turned into a jump back to the guard: the
// vectored handler redirects the faulting thread to GuardLanding, which jumps
// to the buffer saved by __builtin_setjmp. The server's frames in between are
// abandoned, which is the price of surviving a faulting server.
struct GuardFrame {
  void* jump[5];
};
thread_local GuardFrame* t_frame = nullptr;

bool IsFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case 0xE06D7363:  // a C++ exception thrown by a server built with another compiler
      return true;
    default: return false;
  }
}

__attribute__((noinline, noreturn)) void GuardLanding() {
  GuardFrame* frame = t_frame;
  __builtin_longjmp(frame->jump, 1);
}

LONG CALLBACK GuardHandler(EXCEPTION_POINTERS* info) {
  if (!t_frame || !IsFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  CONTEXT* ctx = info->ContextRecord;
#if defined(_M_X64) || defined(__x86_64__)
  // Leave room below the faulting frame, keep the ABI's 16-byte alignment as at
  // a function entry (return address slot included).
  ctx->Rsp = ((ctx->Rsp - 512) & ~DWORD64(15)) - 8;
  ctx->Rip = reinterpret_cast<DWORD64>(&GuardLanding);
#else
  ctx->Esp = ((ctx->Esp - 512) & ~DWORD(15)) - 4;
  ctx->Eip = reinterpret_cast<DWORD>(&GuardLanding);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

__attribute__((noinline)) bool CallRelease(IUnknown* unknown) {
  GuardFrame frame;
  GuardFrame* outer = t_frame;
  if (__builtin_setjmp(frame.jump) != 0) {
    t_frame = outer;
    return false;
  }
  t_frame = &frame;
  try {
    unknown->Release();
  } catch (...) {
    t_frame = outer;
    return false;
  }
  t_frame = outer;
  return true;
}

}  // namespace

bool GuardedRelease(IUnknown* unknown) noexcept {
  if (!unknown) return true;
  // The handler is installed only for the call: one left behind would outlive
  // the module when the host unloads it and take the process down on the next
  // exception anywhere.
  PVOID handler = AddVectoredExceptionHandler(1, GuardHandler);
  const bool ok = CallRelease(unknown);
  if (handler) RemoveVectoredExceptionHandler(handler);
  return ok;
}

#else

bool GuardedRelease(IUnknown* unknown) noexcept {
  if (!unknown) return true;
  try {
    unknown->Release();
  } catch (...) {
    return false;
  }
  return true;
}

#endif

}  // namespace platform
