// Keeping freed memory for reuse. The tools free and allocate again buffers
// of a megabyte or more (a disk image read for its tiles and again for its
// map, a container and the sectors decoded from it, the bands of a picture).
// By default the C library hands such blocks back to the system at once, and
// each new one costs a page fault for every 4 KiB it touches; kept in the
// heap, they are reused as they are. Peak memory does not grow: only what
// was in use at one time is ever held.
#pragma once

// Call once at the start of main. Does nothing where the C library offers
// no such setting.
void memory_keep_for_reuse();
