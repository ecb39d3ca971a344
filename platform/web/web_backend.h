// The browser backend of the game: entry points for its startup code.
#pragma once

namespace pf::web {

// Installs the backend and brings back the files kept in the browser (the
// hall of fame) into the game's folder, which becomes the working directory.
void StartBackend(const char* gameFolder, const char* keptFolder);
// Closes the audio output and tells the page that the game has ended.
void StopBackend(int result);

}  // namespace pf::web
