#pragma once

// Makes the program's resources available: the version block to GetFileVersionInfoW and the
// program icon (the picture "threematch.png" of the runtime folder) to LoadIconW.
void registerVersionInfo();
