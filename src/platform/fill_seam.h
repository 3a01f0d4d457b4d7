#pragma once

#include <cstdint>

namespace faceloom {

// For tests only: the file functions of files.h behave as on a file system that fills. After
// bytes more bytes every write fails with ENOSPC (a write across the limit writes what fits);
// after entries more new entries (files and folders made, renames) every further one fails
// with ENOSPC as well, as in a folder that cannot grow. Deleting always works. Off until a
// test turns it on; UINT64_MAX is no limit.
void FillAfter(uint64_t bytes, uint64_t entries);
// Room without limit again: the space is freed.
void FillOff();
// Bytes written and entries made through the file functions since the process started,
// limit or not.
uint64_t BytesWritten();
uint64_t EntriesMade();

}  // namespace faceloom
