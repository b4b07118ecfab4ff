#pragma once

namespace kestrel {

// Keeps the passwords this process holds out of core dumps and away from debuggers attached by other
// processes of the same user, where the platform allows it (Linux); on Windows it keeps them out of
// crash reports; elsewhere it does nothing.
void protectProcessMemory();

} // namespace kestrel
