// lobby/BrixItemPacks.cpp
#include "lobby/BrixItemPacks.h"

#include "engine/KetrelFile.h"
#include "engine/KetrelMD5.h"
#include "engine/KetrelResult.h"
#include "framework/BrixItemRecord.h"
#include "lobby/BrixMenuHost.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Paths are 8-bit text, one byte per unit, as the engine's file layer narrows them.
bool Narrow(const CKetrelString& path, std::string& out)
{
    out.clear();
    for (i32 i = 0; i < path.GetLength(); ++i)
    {
        const u16 ch = path.GetAt(i);
        if (ch == 0 || ch > 0xFF)
            return false;
        out.push_back((char)ch);
    }
    return !out.empty();
}

bool WriteAll(int fd, const u8* data, i32 length)
{
    while (length > 0)
    {
        const ssize_t n = write(fd, data, (size_t)length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= (i32)n;
    }
    return true;
}

bool FileDigest(const std::string& path, i32 expectedSize, u8* digest)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    CKetrelMD5 md5;
    u8 buffer[4096];
    i64 total = 0;
    for (;;)
    {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        md5.Update(buffer, (u32)n);
        total += n;
    }
    close(fd);
    if (total != expectedSize)
        return false;
    md5.Final();
    std::memcpy(digest, md5.GetDigest(), CBrixItemPack::DigestSize);
    return true;
}
}

void CBrixItemPackTable::Clear()
{
    m_packs.RemoveAll();
    m_listReceived = 0;
}

CBrixItemPack* CBrixItemPackTable::Find(i32 itemId)
{
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
        if (m_packs[i].itemId == itemId)
            return &m_packs[i];
    return nullptr;
}

i32 CBrixItemPackTable::PackIdOf(const CItemData& record)
{
    return CBrixItemRecord::GetWord(record, BRIX_ITEM_WORD_PACK);
}

CKetrelString CBrixItemPackTable::GetPackPath(i32 itemId)
{
    CKetrelString name;
    name.Format(L"data_%d_%d.vad", m_host ? m_host->GetGameId() : 0, itemId);
    return m_host ? m_host->GetUserDataPath(name) : name;
}

void CBrixItemPackTable::OnItemDataList(const CKetrelArray<CItemData>& list,
                                        const CKetrelArray<CItemData>* owned)
{
    for (i32 i = 0; i < list.GetCount(); ++i)
    {
        const CItemData& r = list[i];
        CBrixItemPack* pack = Find(r.value0);
        if (!pack)
        {
            CBrixItemPack fresh;
            fresh.itemId = r.value0;
            fresh.kind = r.value1;
            std::memcpy(fresh.digest, r.block, CBrixItemPack::DigestSize);
            fresh.size = r.value3;
            m_packs.Add(fresh);
            continue;
        }
        // The user owns the pack when one of the user's items carries its pack id.
        bool present = true;
        bool mine = false;
        for (i32 k = 0; owned && k < owned->GetCount() && !mine; ++k)
            mine = PackIdOf((*owned)[k]) == r.value0;
        if (r.value1 != 0 || mine)
            present = CKetrelFile::Exists(GetPackPath(r.value0)) != 0;
        const bool same = pack->size == r.value3 && pack->kind == r.value1 &&
                          std::memcmp(pack->digest, r.block, CBrixItemPack::DigestSize) == 0;
        if (present && same)
        {
            pack->current = 1;
            pack->verify = 1;
        }
        else
        {
            pack->current = 0;
            pack->verify = -1;
        }
        if (!same)
            pack->downloading = 0;   // a running download fetched the old pack
        pack->kind = r.value1;
        std::memcpy(pack->digest, r.block, CBrixItemPack::DigestSize);
        pack->size = r.value3;
    }
    m_listReceived = 1;
}

int CBrixItemPackTable::StartDownload(i32 itemId)
{
    CBrixItemPack* pack = Find(itemId);
    if (!pack)
        return KE_ERR_NOT_FOUND;
    if (!m_host || !m_host->HasSession() || pack->attempts >= MAX_ATTEMPTS || pack->size <= 0)
        return KE_ERR_NOT_READY;
    std::string temp;
    if (!Narrow(GetPackPath(itemId), temp))
        return KE_ERR_ARGUMENT;
    temp += ".tmp";
    unlink(temp.c_str());
    ++pack->attempts;
    pack->downloading = 1;
    pack->asked = 0;
    pack->idle = 0.0f;
    pack->current = 0;
    pack->verify = -1;
    m_host->RequestDataChunk(itemId, 0, pack->size < CHUNK_SIZE ? pack->size : (i32)CHUNK_SIZE);
    return KE_OK;
}

void CBrixItemPackTable::OnDataChunk(i32 itemId, i32 offset, const u8* data, i32 length, i32 remaining)
{
    if (length < 1 || !data || offset < 0)
        return;
    CBrixItemPack* pack = Find(itemId);
    if (!pack || !pack->downloading)
    {
        fprintf(stderr, "ERROR: item pack %d: a piece that was not asked for, dropped\n", (int)itemId);
        return;
    }
    // A repeated piece, or a late one of a download given up, would start a second chain
    // of requests beside this download's own.
    if (offset != pack->asked)
    {
        fprintf(stderr, "ERROR: item pack %d: a piece at offset %d, not the one asked for, dropped\n",
                (int)itemId, (int)offset);
        return;
    }
    if ((i64)offset + length > pack->size || (i64)offset + length + (remaining > 0 ? remaining : 0) > pack->size)
    {
        fprintf(stderr, "ERROR: item pack %d: a piece beyond the announced size\n", (int)itemId);
        FailDownload(pack);
        return;
    }
    std::string path;
    if (!Narrow(GetPackPath(itemId), path))
        return;
    const std::string temp = path + ".tmp";
    // Appended only where the file ends: after a failed write the rest is not written
    // and the digest rejects the file.
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
    {
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == (off_t)offset && WriteAll(fd, data, length))
            pack->idle = 0.0f;
        if (remaining < 1)
            fsync(fd);
        close(fd);
    }
    if (remaining < 1)
    {
        pack->downloading = 0;
        if (!FinishDownload(pack))
            FailDownload(pack);
        return;
    }
    const i32 next = remaining < CHUNK_SIZE ? remaining : (i32)CHUNK_SIZE;
    pack->asked = offset + length;
    if (m_host)
        m_host->RequestDataChunk(itemId, pack->asked, next);
}

void CBrixItemPackTable::Tick(f32 dt)
{
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
    {
        CBrixItemPack& pack = m_packs[i];
        if (!pack.downloading)
            continue;
        pack.idle += dt;
        if (pack.idle < STALL_SECONDS)
            continue;
        fprintf(stderr, "ERROR: item pack %d: no new piece for %d s, download given up\n", (int)pack.itemId,
                (int)STALL_SECONDS);
        FailDownload(&pack);
    }
}

bool CBrixItemPackTable::FinishDownload(CBrixItemPack* pack)
{
    std::string path;
    if (!Narrow(GetPackPath(pack->itemId), path))
        return false;
    const std::string temp = path + ".tmp";
    u8 digest[CBrixItemPack::DigestSize];
    if (!FileDigest(temp, pack->size, digest) ||
        std::memcmp(digest, pack->digest, CBrixItemPack::DigestSize) != 0)
    {
        fprintf(stderr, "ERROR: item pack %d: the download does not match its digest\n",
                (int)pack->itemId);
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0)
        return false;
    // Every entry of the item is now on disk.
    for (i32 i = 0; i < m_packs.GetCount(); ++i)
        if (m_packs[i].itemId == pack->itemId)
        {
            m_packs[i].current = 1;
            m_packs[i].verify = 1;
        }
    return true;
}

void CBrixItemPackTable::FailDownload(CBrixItemPack* pack)
{
    pack->downloading = 0;
    pack->current = 0;
    pack->verify = -1;
    std::string path;
    if (Narrow(GetPackPath(pack->itemId), path))
        unlink((path + ".tmp").c_str());
}
