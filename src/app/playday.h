// Playing one day: PlayGameForDate builds the date's engine, runs the key loop until the game
// is over or the caller quits, records the play and the all-time records, and shows the
// result box. Whether the caller may play the date is decided by the screens that call it.
#pragma once

#include <cstdint>

#include "common/datetime.h"

namespace kegora {

void PlayGameForDate(common::TDateTime ADate);

// Reads one key and acts on it (cursor moves, place, miss, redraw, help, quit prompt).
// Extended keys other than the four cursor keys are ignored.
void HandlePlayerInput();

// The cursor tables: the pin reached from APosition (1-10) by "8" up, "2" down, "4" left and
// "6" right; APosition itself for any other key or position.
int32_t CursorMove(int32_t APosition, char AKey);

} // namespace kegora
