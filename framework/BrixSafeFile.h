#pragma once
// framework/BrixSafeFile.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// Replaces a file as a whole: the bytes go to "<path>.tmp", every write is checked,
// the file is flushed to the disk and renamed over path, and the folder is flushed.
// A kill or power cut at any moment leaves either the old file or the new one at path,
// never a part of one. KE_OK; KE_ERR_OPEN when the temporary file cannot be made;
// KE_ERR_DEVICE when a write, the flush or the rename fails (the old file stays, the
// temporary one is removed). Main thread only.
int BrixWriteFileSafely(const CKetrelString& path, const u8* data, u32 size);

// Reads a whole file of at most maxBytes into out. KE_OK; KE_ERR_OPEN when it cannot
// be opened; KE_ERR_FORMAT when it is larger than maxBytes; KE_ERR_MEMORY.
int BrixReadWholeFile(const CKetrelString& path, u32 maxBytes, u8** out, u32* size);

// Moves a damaged file out of the way, renamed to path + suffix (an earlier file of that
// name is replaced): the next save starts afresh and the damaged bytes stay for a look.
// KE_OK; KE_ERR_OPEN when path is unusable; KE_ERR_DEVICE when the rename fails.
int BrixSetFileAside(const CKetrelString& path, const char* suffix);

// For crash tests only: called with a step number (0, 1, 2, ...) before every system
// call of BrixWriteFileSafely that changes the disk (open, each write, flush, close,
// rename). Null (the default) calls nothing.
typedef void (*BrixSafeFileStepHook)(int step);
void BrixSetSafeFileStepHook(BrixSafeFileStepHook hook);
