// Direct control of the x87 floating-point unit. The filter server may leave
// the unit in any state; the pump puts it back into a fixed one. Only the x87
// unit is touched, never the SSE control register.
#pragma once

namespace platform {

// Reinitialise the x87 unit (empty register stack, cleared status, default modes).
void X87Reinit();
// Clear every pending x87 exception flag.
void X87ClearExceptions();
// Set control modes given in the C runtime's _control87 encoding (exception masks,
// rounding, precision, infinity control) under the given mask.
void X87SetControl(unsigned newValue, unsigned mask);
// The raw x87 control and status words (for tests); 0 where there is no x87 unit.
unsigned short X87ControlWord();
unsigned short X87StatusWord();
// Load a raw control word (for tests that simulate a careless server).
void X87LoadControlWord(unsigned short cw);

}  // namespace platform
