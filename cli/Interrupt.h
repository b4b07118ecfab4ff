#pragma once

// Ctrl-C asks a run to stop after the statement in flight, as closing the window does.
namespace kestrel::interrupt {

// From now on the first SIGINT (Ctrl-C in a Windows console) only raises a flag; a second one ends
// the program at once.
void watch();
bool requested();

} // namespace kestrel::interrupt
