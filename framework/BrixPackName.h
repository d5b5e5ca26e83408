#pragma once
// framework/BrixPackName.h
#include "engine/KetrelString.h"

// Names that may come from the server and become parts of file names (language codes,
// pack bases, theme names): 1 to 64 characters of A-Z, a-z, 0-9, '_', '.' and '-', not
// starting with '.'. Anything else could reach outside the data folders.
bool BrixIsSafePackName(const CKetrelString& name);

// Refuses a name with a line on the standard error stream; true when it is safe.
bool BrixCheckPackName(const CKetrelString& name, const char* what);
