#include "Commands.h"
int DemoCommand(Plugin&, const Arguments&) { return 0; }
