// Display files: a text or ANSI file sent to the caller line by line through
// DoorWrite, so pipe codes in it are translated and ANSI sequences pass through.
// Every line end (CR, LF or CR LF in the file) reaches the caller as CR LF, none
// after the last line; byte 26 is an ordinary character. A file that cannot be
// read is reported on the caller's screen ("Error reading \"<name>\": <reason>",
// then "Hit a key to continue") and one key is awaited.
#pragma once

#include <string>

namespace harbex {

void DoorDisplayFile(const std::string& AFileName);
// DoorDisplayFile with pipe and grave-accent codes left untranslated
// (DisplayingSixel raised for the duration).
void DoorDisplaySixel(const std::string& AFileName);

} // namespace harbex
