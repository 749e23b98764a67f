// Interactive widgets on the key reader and the output operations: a one-line
// input field with a character filter, password mask and horizontal scrolling,
// and a vertical light-bar menu over DoorLiteBarOptions / DoorLiteBarIndex.
#pragma once

#include <cstdint>
#include <string>

namespace harbex {

// Input filters (only membership matters).
extern const std::string DOOR_INPUT_CHARS_ALL;      // space (32) .. tilde (126)
extern const std::string DOOR_INPUT_CHARS_ALPHA;    // the 52 letters
extern const std::string DOOR_INPUT_CHARS_NUMERIC;  // "1234567890"
extern const std::string DOOR_INPUT_CHARS_FILENAME; // ALL without ` / * | " < > ?

// Edits one line in a field of AVisibleLength columns starting at the cursor, in
// attribute AAttr. Keys in AAllowedCharacters are appended while the text is
// shorter than AMaxLength; backspace (8) and DEL (127) delete the last character;
// Ctrl-Y (25) clears the field; Enter (13) accepts the text, ESC (27) returns the
// default cut to AMaxLength. APasswordCharacter (0 for none) is shown in place of
// each typed character. On return the previous attribute is restored and the
// cursor moves to the start of the next line.
std::string DoorInput(const std::string& ADefaultText, const std::string& AAllowedCharacters,
                      char APasswordCharacter, uint8_t AVisibleLength, uint8_t AMaxLength,
                      uint8_t AAttr);

// Shows up to APageSize options of DoorLiteBarOptions, one per row from the
// cursor, the option at DoorLiteBarIndex white on blue. Up/left ("8", "4" and the
// cursor keys) and down/right ("2", "6" and the cursor keys) move the bar; Enter
// returns true with the choice in DoorLiteBarIndex; Q returns false. The cursor
// ends on the list's first row.
bool DoorLiteBar(int32_t APageSize);

} // namespace harbex
