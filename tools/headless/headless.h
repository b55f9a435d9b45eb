// The game's display for programs that drive the game without a player: the
// GL tests, the playthrough and the benchmark, all run under Xvfb.
#pragma once

// Brings up Allegro, AllegroGL and the timers, opens the game's 800x600
// OpenGL mode in a window and puts it in the 2D view. On failure it prints
// why, prefixed with `who`, and returns false.
bool StartHeadlessDisplay(const char* who);
