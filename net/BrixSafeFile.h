#pragma once
// net/BrixSafeFile.h
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

// Files whose names come from the server (language and theme packs) are written only
// under these rules: each name from the server is 1 to 64 characters of [A-Za-z0-9_.-]
// and does not start with '.', so it can neither leave the folder nor hide as a dot file;
// and the content goes to a temporary file in the same folder, created anew (never
// through a link planted under its name), that replaces the old file by a rename once
// every byte is written, so a short write never leaves a truncated file behind.

// True when name, as the server sent it, may become (part of) a file name in the user
// data folder.
bool BrixIsSafeFileName(const CKetrelString& name);

// Writes size bytes as folder + name, where folder ends in '/'. name is made of safe
// names (the same characters, not starting with '.', up to 249 of them). 1 on success;
// 2 for an unsafe name, an empty folder or a negative size; 10 when the file cannot be
// created, written or renamed (the old file, if any, is then untouched and no temporary
// is left).
int BrixWriteFileSafely(const CKetrelString& folder, const CKetrelString& name, const u8* data, i32 size);
