#pragma once

#include <cstdint>

namespace faceloom {

// For tests only: the file functions of files.h behave as on a file system that fills. After
// bytes more bytes every write fails with ENOSPC (a write across the limit writes what fits);
// with entriesToo, once full, new files, folders and renames fail as well (a file system whose
// folders cannot grow). Deleting always works. Off until a test turns it on.
void FillAfterBytes(uint64_t bytes, bool entriesToo);
// Room without limit again: the space is freed.
void FillOff();
// Bytes written through the file functions since the process started, limit or not.
uint64_t BytesWritten();

}  // namespace faceloom
