#pragma once

// Every five-byte command frame begins with this byte; the second byte says what the terminal is to do.
constexpr char FiveByteFrameStart = 0x05;
