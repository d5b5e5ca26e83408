#include "JubEventTestKit.h"

#include <cstdio>

std::string HexOf(const u8* data, i32 size)
{
    std::string s;
    char digits[4];
    for (i32 i = 0; i < size; ++i)
    {
        if (i > 0 && i % 4 == 0)
            s += ' ';
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        s += digits;
    }
    return s;
}

Bytes BytesOf(const std::string& hex)
{
    Bytes out;
    int high = -1;
    for (char c : hex)
    {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else
            continue;
        if (high < 0)
            high = v;
        else
        {
            out.push_back((u8)(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

std::vector<Bytes> FakeEventHost::SentOfType(i32 type) const
{
    std::vector<Bytes> out;
    for (const Bytes& b : sent)
        if (!b.empty() && b[0] == (u8)type)
            out.push_back(b);
    return out;
}

void RecordingListener::OnBatch(const CJubGameEvent& batch)
{
    applied.push_back({JUB_EVENT_BATCH, Bytes(batch.GetPayload(), batch.GetPayload() + batch.GetSize()),
                       host ? host->GetClock() : 0});
    if (parseBatches && exchange != nullptr)
    {
        exchange->ClearReceived();
        exchange->ParseBatch(batch);
    }
}

std::vector<i32> RecordingListener::Types() const
{
    std::vector<i32> out;
    for (const AppliedEvent& a : applied)
        out.push_back(a.type);
    return out;
}
