#pragma once
// tests/engine/PackTestHelpers.h: packs built in memory for the pack tests.
#include "engine/KetrelMediaPack.h"
#include "engine/KetrelString.h"

#include <string>
#include <vector>

struct PackItem
{
    std::string name;
    std::string data;
};

// The bytes of a pack holding items in order, made by the pack writer.
std::vector<u8> BuildPack(const std::vector<PackItem>& items);

// Opens bytes as a pack (a copy of them, owned by the pack's stream).
int OpenPackBytes(CKetrelMediaPack& pack, const std::vector<u8>& bytes,
                  const CKetrelString& key = CKetrelString());

// The data of the entry the pack's stream was just positioned at.
std::string ReadCurrent(CKetrelMediaPack& pack, u32 size);

void PutLE32At(std::vector<u8>& bytes, size_t at, u32 value);
