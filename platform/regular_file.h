// Opening a file for reading that is sure to be a file: every reader of the
// game's files and data goes through here, so that nothing in a file's place
// (a named pipe, a device, a folder) can make a reader wait for ever.
#pragma once
#include <cstdio>

// Opens an existing file for reading, in binary. Only a regular file opens: a
// named pipe, a device or a folder in its place is refused at once, never
// waited on, as a file that cannot be opened is. nullptr on failure, with
// errno ENOENT when nothing has the name (EINVAL when something that is no
// file has it). Paths are host paths (GamePathToHost).
FILE* OpenRegularFileForReading(const char* hostPath);
