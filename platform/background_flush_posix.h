// Flushes that run on threads of their own while the program goes on: File::BeginFlush
// on POSIX. The disk of a virtual machine takes a flush at the speed of its host's disk,
// so a flush started as soon as a file is written overlaps the work that follows it
// instead of adding to it.
//
// A flush runs on a descriptor of its own, so the file may be closed (and its share
// lock let go) while it runs. The system reports a failure to write a file's data to the
// first flush that asks, once: a later Flush of the same file therefore waits for the
// flushes started in the background and reports their failure as its own.
#ifndef HINMEI_PLATFORM_BACKGROUND_FLUSH_POSIX_H_
#define HINMEI_PLATFORM_BACKGROUND_FLUSH_POSIX_H_

namespace platform {

// Starts flushing the data of the file open as `fd` (which stays the caller's).
void StartBackgroundFlush(int fd);

// Waits for every background flush of the file open as `fd`; answers the errno of the
// first that failed since the last call for the file, or 0.
int FinishBackgroundFlushes(int fd);

}  // namespace platform

#endif  // HINMEI_PLATFORM_BACKGROUND_FLUSH_POSIX_H_
