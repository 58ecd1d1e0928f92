#pragma once

// Makes the program's version block available to GetFileVersionInfoW.
void registerVersionInfo();
