#pragma once
// Row converters: rows of 8-bit palette indices into 4-4-4, 5-6-5 or 32-bit rows
// (palette: 256 entries 0x00RRGGBB), and a copier from a pitched buffer into one
// whose rows follow each other.
#include "engine/KetrelTypes.h"

void KetrelConvertRowIndex8To444(const u8* indices, u16* out, i32 count, const u32* palette);
void KetrelConvertRowIndex8To565(const u8* indices, u16* out, i32 count, const u32* palette);
void KetrelConvertRowIndex8To32(const u8* indices, u32* out, i32 count, const u32* palette);
// rows x rowBytes bytes from src (rows srcPitch apart) to dst (rows rowBytes apart).
void KetrelCopyRows(const u8* src, i32 srcPitch, u8* dst, i32 rowBytes, i32 rows);
