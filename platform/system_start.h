// What each operating system supplies for the start-up of start.cpp. Not for
// use outside platform/.
#pragma once

// Sets up the locale or code page that the character services follow, and
// whatever else the system wants before the first file is touched.
void system_start();
