// Ending the game from outside its menus: the window's close button and the
// signals a desktop or a terminal sends (SIGTERM, SIGINT, SIGHUP). The
// callback and the handlers only raise a flag; every screen and the mission
// loop read it and give way, so the game ends in order, the way EXIT does:
// options and Hall of Fame written, the usual shutdown, status 0.
#pragma once

// Installs the signal handlers (after the game library's own, which they
// replace) and the close-button callback (once the window exists).
void InstallQuitSignals();
void InstallCloseButton();

// Whether the game has been asked to end.
bool QuitRequested();
// Asks the game to end; safe in a signal handler or on any thread.
void RequestQuit();
// Withdraws the request (for tests that go on stepping screens after one).
void CancelQuit();
