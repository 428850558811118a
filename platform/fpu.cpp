#include "platform/fpu.h"

namespace platform {

#if defined(__i386__) || defined(__x86_64__)

void X87Reinit() { __asm__ __volatile__("fninit"); }

void X87ClearExceptions() { __asm__ __volatile__("fnclex"); }

unsigned short X87ControlWord() {
  unsigned short cw = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  return cw;
}

unsigned short X87StatusWord() {
  unsigned short sw = 0;
  __asm__ __volatile__("fnstsw %0" : "=m"(sw));
  return sw;
}

void X87LoadControlWord(unsigned short cw) { __asm__ __volatile__("fldcw %0" : : "m"(cw)); }

void X87SetControl(unsigned newValue, unsigned mask) {
  // Runtime encoding -> hardware control word. Exception masks: the runtime's
  // _EM_INVALID 0x10, _EM_DENORMAL 0x80000, _EM_ZERODIVIDE 0x08, _EM_OVERFLOW 0x04,
  // _EM_UNDERFLOW 0x02, _EM_INEXACT 0x01; hardware IM 0x01, DM 0x02, ZM 0x04,
  // OM 0x08, UM 0x10, PM 0x20. Rounding _MCW_RC 0x300 (near 0, down 0x100, up 0x200,
  // chop 0x300) -> RC bits 10-11 (near 0, down 1, up 2, chop 3). Precision _MCW_PC
  // 0x30000 (64 0, 53 0x10000, 24 0x20000) -> PC bits 8-9 (24 0, 53 2, 64 3).
  // Infinity _MCW_IC 0x40000 (affine) -> IC bit 12.
  struct Bit {
    unsigned runtime;
    unsigned short hw;
  };
  static const Bit kExceptions[] = {{0x10, 0x01}, {0x80000, 0x02}, {0x08, 0x04},
                                    {0x04, 0x08}, {0x02, 0x10},    {0x01, 0x20}};
  unsigned short cw = X87ControlWord();
  for (const Bit& b : kExceptions) {
    if (mask & b.runtime) {
      cw = static_cast<unsigned short>((newValue & b.runtime) ? (cw | b.hw) : (cw & ~b.hw));
    }
  }
  if (mask & 0x300) {
    unsigned rc = 0;
    switch (newValue & 0x300) {
      case 0x100: rc = 1; break;
      case 0x200: rc = 2; break;
      case 0x300: rc = 3; break;
      default: rc = 0; break;
    }
    cw = static_cast<unsigned short>((cw & ~0x0C00) | (rc << 10));
  }
  if (mask & 0x30000) {
    unsigned pc = 3;
    switch (newValue & 0x30000) {
      case 0x10000: pc = 2; break;
      case 0x20000: pc = 0; break;
      default: pc = 3; break;
    }
    cw = static_cast<unsigned short>((cw & ~0x0300) | (pc << 8));
  }
  if (mask & 0x40000) {
    cw = static_cast<unsigned short>((newValue & 0x40000) ? (cw | 0x1000) : (cw & ~0x1000));
  }
  X87LoadControlWord(cw);
}

#else

void X87Reinit() {}
void X87ClearExceptions() {}
void X87SetControl(unsigned, unsigned) {}
unsigned short X87ControlWord() { return 0; }
unsigned short X87StatusWord() { return 0; }
void X87LoadControlWord(unsigned short) {}

#endif

}  // namespace platform
