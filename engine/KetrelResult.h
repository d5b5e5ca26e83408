#pragma once
// Result codes shared by every layer. The values are fixed; 1 is success.
enum
{
    KE_OK             = 1,
    KE_ERR_ARGUMENT   = 2,    // invalid argument
    KE_ERR_NOT_READY  = 3,    // not ready, or index out of range
    KE_ERR_FORMAT     = 4,    // bad format, or a media element that cannot be made
    KE_ERR_MEMORY     = 7,    // out of memory
    KE_ERR_NOT_FOUND  = 8,    // not found
    KE_ERR_DEVICE     = 9,    // device or graphics failure (also: shell command failed)
    KE_ERR_OPEN       = 10,   // file cannot be opened
    KE_ERR_NO_FORMAT  = 11,   // no usable sound format
    KE_ERR_X_GC_EXISTS = 1000, // an X graphics context is already made
    KE_ERR_X_RESOURCE  = 1001  // an X pixmap or graphics context cannot be made
};
