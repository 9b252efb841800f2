#pragma once
// The lock that keeps two running copies of the program, on one machine or on a shared
// folder, from editing one comment file at once. It is an operating-system lock on the file
// "<comment file>.lock", held through the open file: the system drops it when the holder
// ends, even by a crash, and a lock file left behind then locks again at once. The holder
// deletes the lock file when it releases the lock.

namespace vornex {

struct CommentStore;
struct device_config;

// Locks the configuration's comment file for `box`: 0 when locked (comment_lock_held is
// then set), 2 when the configuration names no comment file, 13 (permission denied) when
// another copy holds the lock, else the C library's error number of creating the lock file.
// A lock the box held before is released first.
int comment_lock(CommentStore& box, const device_config& config);

// Releases the lock when the box holds it: deletes the lock file and closes it.
void comment_lock_release(CommentStore& box);

} // namespace vornex
