// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "pages/window/Pages.h"
#include "shell/window/Form1.h"

// The keying test's parameters.
void TForm1::newParameterClick() {}
