// Bytes from the server into an unconnected network session, cut into chunks as TCP
// might cut them, on both channels: framing and dispatch must never read past a chunk
// or a message, and whatever they do (answers fail at once, links close) must be safe.
// The first byte of the input steers the cutting; the rest is the stream.
#include "engine/KetrelApplication.h"
#include "net/BrixNetworkSession.h"
#include "net/BrixSessionHost.h"

#include <vector>

namespace
{
class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

struct FuzzHost : IBrixSessionHost
{
    FuzzApplication app;
    IKetrelApplication* GetEngineApplication() override { return &app; }
    CKetrelString GetLanguageText(i32) override { return CKetrelString(); }
    void GetClientInfo(CBrixClientInfo*) override {}
};
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    static FuzzHost* host = new FuzzHost();
    u32 steer = data[0] * 2654435761u + 1;
    CBrixNetworkSession session;
    if (session.Init(host, nullptr) != 1)
        return 0;
    size_t at = 1;
    while (at < size)
    {
        steer = steer * 1103515245u + 12345u;
        size_t chunk = 1 + (steer >> 16) % 97;
        if (chunk > size - at)
            chunk = size - at;
        // Each chunk is its own block, as the engine hands it over.
        std::vector<u8> block(data + at, data + at + chunk);
        if (steer & 0x8000)
            session.OnGameSocketData(block.data(), (int)block.size());
        else
            session.OnSocketData(block.data(), (int)block.size());
        at += chunk;
    }
    session.Update(0.016f);
    return 0;
}
