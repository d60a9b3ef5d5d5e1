// Ctrl-C (SIGINT) and SIGTERM ask the running command to finish: the handler only sets a
// flag, and every loop of the tool checks stopRequested() at least every few milliseconds,
// so files are closed and nodes destroyed on the normal path.
#pragma once

namespace orvtool
{

void installStopHandlers();
bool stopRequested();
// For code that ends a run on its own (a duration, a count): the same flag.
void requestStop();

} // namespace orvtool
