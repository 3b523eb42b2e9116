// The machine's own cost of the memory a window needs at a new size: a 3840 x 2160 window's
// buffer (33 MB) brought in fresh, as the board's first frame at that size must have it, in a
// process that has not touched that much memory before. Where the machine is a virtual one whose
// host takes back the memory its guest lets go, the first large pages come back slowly; the same
// with ordinary pages, and large pages again once this process has just let go of some, show how
// much of the first frame's time is the machine's; memory shared as an X11 window's buffer is
// comes slower still. Measures only; run by scripts/bench after the board's figures, so that it
// warms nothing for them.

#include "benchstats.h"

#include <QElapsedTimer>

#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace {

constexpr size_t kBuffer = size_t(3840) * 2160 * 4;

enum class Memory { LargePages, OrdinaryPages, Shared };

// Maps a buffer, brings all of it in, and lets it go: the milliseconds bringing it in took.
double bringIn(Memory kind)
{
    // Shared memory as an X11 window's buffer is: a file in memory that the X server maps too.
    const int file = kind == Memory::Shared ? memfd_create("window", 0) : -1;
    if (kind == Memory::Shared && (file < 0 || ftruncate(file, off_t(kBuffer)) != 0))
        return -1;
    void *memory = mmap(nullptr, kBuffer, PROT_READ | PROT_WRITE,
                        file < 0 ? MAP_PRIVATE | MAP_ANONYMOUS : MAP_SHARED, file, 0);
    if (file >= 0)
        close(file);
    if (memory == MAP_FAILED)
        return -1;
    if (kind != Memory::Shared)
        madvise(memory, kBuffer, kind == Memory::LargePages ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    QElapsedTimer timer;
    timer.start();
    madvise(memory, kBuffer, MADV_POPULATE_WRITE);
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    munmap(memory, kBuffer);
    return milliseconds;
}

} // namespace

int main()
{
    using BenchStats::report;
    report("a 3840x2160 window buffer's memory brought in fresh, large pages",
           bringIn(Memory::LargePages), "ms");
    report("  the same just after, large pages", bringIn(Memory::LargePages), "ms");
    report("  the same, ordinary pages", bringIn(Memory::OrdinaryPages), "ms");
    report("  the same, shared as an X11 window's buffer is", bringIn(Memory::Shared), "ms");
    return 0;
}
