#pragma once

#include <sys/types.h>

// How this process creates files. Init runs once at the start of main(),
// before any thread: the umask can only be read by changing it for a moment.
class FileCreation
{
public:
    // Notes the umask, and ignores SIGXFSZ so that a write past the file
    // size limit fails with EFBIG instead of ending the process.
    static void Init();

    static mode_t Umask();
    // 0666 less the umask: what a file created with open() would get.
    static mode_t NewFileMode();
};
