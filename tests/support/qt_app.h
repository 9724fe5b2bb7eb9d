#pragma once

// Window tests need one QApplication for the whole test executable; the first call makes
// it (on the platform the environment names, offscreen under ctest), later calls reuse it.
void EnsureQtApplication();
