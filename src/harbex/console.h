// The local console: the sysop's screen on standard output.
//
// Attribute: the console's own text attribute (starts 7); writes to the local screen use it.
// Local-screen output (clear, messages) reaches standard output only while it is a terminal,
// so a board's log or pipe never receives stray escape sequences. Keys from the local
// keyboard come through the door's channel (channel.h), like the caller's.
#pragma once

#include <cstdint>
#include <string>

namespace harbex {

uint8_t ConsoleGetAttr();
void ConsoleSetAttr(uint8_t AAttr);
// Clears the local screen in the console attribute and homes the cursor (screen image and,
// where it is not already drawn from the image, standard output).
void ConsoleClrScr();
// Writes text to the local screen (standard output) in the console attribute.
void ConsoleWrite(const std::string& AText);
void ConsoleWriteLn(const std::string& AText = "");
// Back to attribute 7.
void ConsoleReset();

} // namespace harbex
