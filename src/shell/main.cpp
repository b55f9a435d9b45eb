// Process entry: brings up the libraries and the 800x600 OpenGL display,
// creates the fonts, runs the game and tears everything down in order.
#include <allegro.h>
#include <alleggl.h>
#include <aldumb.h>
#include <GL/gl.h>

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "game/game.h"
#include "graphics/gltwodee.h"
#include "shell/args.h"
#include "shell/common.h"
#include "shell/platform.h"
#include "shell/quit.h"

namespace {

// The font datafile stays loaded for the life of the process.
DATAFILE* FontData = nullptr;

}  // namespace

int main(int argc, char** argv) {
  if (const int status = AnswerCommandLine(argc, argv, std::cout, std::cerr); status >= 0) return status;
  EnterGameFolder();
  Globals::LogFile.open("log.txt", std::ios::out | std::ios::trunc);
  LoadOptions();

  Log("Init allegro...");
  // Without a display (a text console, a remote shell) there is no system
  // driver to bring up, and no window to show a message in.
  if (allegro_init() != 0) {
    ErrorExit("Error initializing allegro: no graphical display is available. Start the game from a desktop session.");
  }
  InstallQuitSignals();
  install_allegro_gl();
  if (install_keyboard() != 0) ErrorExit("Error initializing keyboard.");
  if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) != 0) ErrorExit("Error initializing sound system.");

  // AllegroGL names its window when it creates it; the title set after the
  // mode only reaches Allegro's own hidden window.
  set_window_title("Varnok");
  bool opened = OpenDisplay(Globals::Fullscreen);
  // Many desktops (and every virtual display) cannot switch to a full-screen
  // 800x600 mode; a window keeps the game playable and the option untouched.
  if (!opened && Globals::Fullscreen) opened = OpenDisplay(false);
  if (!opened) ErrorExit("Error setting graphics mode: 800x600 32 bpp");
  InstallCloseButton();

  srand(static_cast<unsigned>(time(nullptr)));
  set_window_title("Varnok");
  atexit(dumb_exit);
  dumb_register_stdfiles();

  Log("Init OpenGL...");
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

  Log("Creating fonts...");
  FontData = LoadDatafile("data/font.dat", "font.dat", DAT_FONT, 3);
  Globals::MenuFont = new CGLFont(static_cast<FONT*>(FontData[0].dat));
  Globals::SmallFont = new CGLFont(static_cast<FONT*>(FontData[1].dat));
  Globals::MediumFont = new CGLFont(static_cast<FONT*>(FontData[2].dat));

  Log("Creating game class...");
  // Destroyed after "Shutting down...": its destructor writes the Hall of Fame.
  CGame game;
  game.Start();

  SaveOptions();
  Log("Deleting fonts...");
  delete Globals::MenuFont;
  delete Globals::SmallFont;
  delete Globals::MediumFont;
  Log("Shutting down...");
  return 0;
}
END_OF_MAIN()
