#pragma once

namespace mendora::platform {

// A lock file held by a whole process, through any number of descriptors of it (one per
// module of the process, each module with its own copy of this code). Three bytes:
//   0: a record lock, owned by the process: excludes every other process;
//   1: a shared lock per open file description: marks the descriptors that hold the file;
//   2: an exclusive lock per open file description, held around each take and release,
//      so that they never interleave, in this process or another.
// Closing any descriptor of the file drops the process's record lock, so a descriptor is
// closed only while no descriptor of the process holds the file.
enum class ProcessLockTake { Taken, HeldElsewhere, Failed };

// Takes the file for the process through fd (opened for reading and writing); *error is
// the errno of a refusal or failure. fd stays open whatever the answer.
ProcessLockTake TakeProcessLock(int fd, int* error);

// Drops fd's hold. When no other descriptor holds the file, drops the process's lock and
// closes fd, and answers true; else fd stays open (closing it would drop the others' lock).
bool ReleaseProcessLock(int fd);

// Closes fd (which holds nothing) unless another descriptor of the process holds the file;
// answers whether it was closed.
bool CloseUnlessHeld(int fd);

}  // namespace mendora::platform
