#include "shell/spawn_launcher.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <vector>

extern char** environ;

namespace vornex {

int SpawnLauncher::start_detached(const CommandLine& command) {
    if (command.words.empty()) {
        return ENOENT;
    }
    std::vector<char*> argv;
    for (const std::string& word : command.words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    // The console has windows of its own: it keeps none of the command's input or output, so
    // nothing reading them waits for the console to end.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (const int fd : {0, 1, 2}) {
        posix_spawn_file_actions_addopen(&files, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    // Each word is one argument: no shell sees the line.
    const int error = posix_spawnp(&pid, argv.front(), &files, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return error;
}

} // namespace vornex
