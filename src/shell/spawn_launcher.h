#pragma once
// Starts a console for vornex-cli: the program is looked up on the search path and runs in
// a session of its own, so it outlives the command that started it. The child is never
// waited for, which suits a command that ends right after starting it: a program that runs
// on would keep one zombie per console.

#include "shell/shell.h"

namespace vornex {

class SpawnLauncher : public ProcessLauncher {
public:
    int start_detached(const CommandLine& command) override;
};

} // namespace vornex
