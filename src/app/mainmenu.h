// The main menu: redrawn in full every round (background art, footer, choices), one key per
// round dispatched to a screen that runs to completion; returns when the caller quits.
#pragma once

namespace kegora {

// The menu's background art in the current directory.
inline constexpr char INTRO_ART_FILE[] = "intro.ans";

void ShowMainMenu();

// Draws one round of the menu (art, footer, window, choices) without reading a key.
void DrawMainMenu(bool AAlreadyPlayedToday);

} // namespace kegora
