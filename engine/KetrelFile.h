#pragma once
#include "engine/KetrelResult.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

#include <cstdio>

// Mode flags of CKetrelFile::Open and OpenMemory.
enum
{
    KE_FILE_READ       = 1,    // "rb"; also the flags word of a fresh stream
    KE_FILE_WRITE      = 2,    // "wb": created or emptied; makes a stream writable
    KE_FILE_OWN_BUFFER = 8,    // OpenMemory copies the bytes and owns the copy
    KE_FILE_APPEND     = 16    // "ab": the position starts at the size; writable
};

// Seek origins. Beware: these are not the stdio numbers, and the origin
// KE_SEEK_FROM_END counts back from the last byte (offset 0 is the last byte,
// not the end of the stream).
enum
{
    KE_SEEK_SET      = 0,      // position := offset
    KE_SEEK_FROM_END = 1,      // position := size - offset - 1
    KE_SEEK_CUR      = 2       // position += offset
};

// The engine's byte stream: a file on disk through stdio, or a block of memory.
// Every transfer happens at the stream's own position, so the same code reads
// files and memory. A position outside 0..size transfers nothing. A memory
// stream never grows. One thread at a time.
//
// Paths are narrowed to 8 bits, one byte per unit; a path holding a unit above
// 0xFF (or a 0 unit) cannot be narrowed faithfully and is refused.
class CKetrelFile
{
public:
    static CKetrelFile* Create();

    CKetrelFile();
    virtual ~CKetrelFile();                 // as Close()
    CKetrelFile(const CKetrelFile&) = delete;
    CKetrelFile& operator=(const CKetrelFile&) = delete;

    // Closes first. KE_FILE_APPEND opens "ab", else KE_FILE_WRITE "wb", else
    // "rb". KE_OK, or KE_ERR_OPEN (the stream stays closed).
    int Open(const CKetrelString& path, i32 flags);
    // Closes first. With KE_FILE_OWN_BUFFER the bytes are copied, otherwise the
    // caller's buffer is read (and, when writable, written) in place and must
    // outlive the stream. KE_FILE_WRITE or KE_FILE_APPEND make it writable.
    // KE_ERR_ARGUMENT for a null buffer or a size of 0 (or above 2^31 - 1),
    // KE_ERR_MEMORY when the copy cannot be made.
    int OpenMemory(void* buffer, u32 size, i32 flags);
    // Closes first, then reads and writes other's buffer or file at other's
    // position, owning neither: other must stay open while this stream is used.
    // Returns KE_OK.
    int OpenShared(const CKetrelFile& other);
    // Closes a file this object opened, frees an owned buffer, clears everything.
    void Close();

    // Bytes transferred; the position advances by as many.
    u32 Read(void* buffer, u32 count);
    u32 Write(const void* data, u32 count);
    // See the KE_SEEK_ origins; another origin leaves the position. The result
    // is not clamped to the stream (transfers there move nothing).
    i32 Seek(i32 offset, i32 origin);

    i32 GetSize() const { return m_size; }
    i32 GetPosition() const { return m_position; }

    // 1 when the path opens for reading.
    static int Exists(const CKetrelString& path);
    // KE_OK, KE_ERR_NOT_FOUND for a missing file, KE_ERR_DEVICE when it cannot
    // be removed, KE_ERR_OPEN for a path that cannot be narrowed.
    static int Delete(const CKetrelString& path);

private:
    u8* m_memory;       // memory stream bytes; null for a disk file
    i32 m_size;         // bytes; grows when a disk write passes the end
    i32 m_position;
    i32 m_opened;       // 1 when this object opened m_stream and must close it
    i32 m_flags;        // KE_FILE_ flags; 1 after construction, 0 after Close
    FILE* m_stream;     // null for memory
    i32 m_writable;
};
