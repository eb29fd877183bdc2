// A serial device's line state in termios terms.
#pragma once

#include "platform/serial.h"

#include <termios.h>

// The termios constant of a speed in bits per second; false for a speed that has none (only the
// standard speeds are offered: the port list's speeds all have one).
bool SpeedConstant(std::uint32_t bitsPerSecond, speed_t& constant);

// Changes a state read from the device as ComLineChanges asks: raw bytes both ways (no echo, no
// line editing, no character translation or signals), the receiver on and modem control lines
// ignored, reads that never wait in the driver (VMIN and VTIME 0), the speed, byte size, parity
// and stop bits, and the flow control fields that are written; flow control not written stays
// as it was. False, with the state unchanged, for a value termios cannot express: a speed
// without a constant, a byte size outside 5..8, parity other than none, odd and even, stop bits
// other than one, one and a half (taken as two) and two.
bool ApplyLineChanges(termios& state, const ComLineChanges& changes);
