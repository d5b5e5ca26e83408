#pragma once
// Helpers shared by the sound tests: voices filled with known samples, the engine's
// last output block, temporary folders, external tools and RIFF/WAVE builders.
#include "KetrelSound/KetrelSoundEngine.h"
#include "engine/KetrelTypes.h"
#include <string>
#include <vector>

// A voice of the given format registered with engine, holding samples (16-bit values,
// or 8-bit values in 0..255 when bits is 8), interleaved. The caller releases and
// deletes it.
CKetrelSoundBuffer* MakeVoice(CKetrelSoundEngine* engine, u32 channels, u32 bits, u32 rate,
                              const std::vector<i32>& samples, u32 flags = 0);

// The engine's last output block as signed 16-bit samples, or as 8-bit values.
std::vector<i16> Block16(CKetrelSoundEngine* engine);
std::vector<u8> Block8(CKetrelSoundEngine* engine);

// A new private folder under /tmp, removed with everything in it by the destructor.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Get() const { return m_path; }

private:
    std::string m_path;
};

// Runs a shell command line; true when it exits with 0.
bool RunCommand(const std::string& command);
bool HaveTool(const char* name);
std::vector<u8> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<u8>& bytes);

// RIFF/WAVE building blocks (little-endian, chunks unpadded).
void PutU16(std::vector<u8>& out, u32 v);
void PutU32(std::vector<u8>& out, u32 v);
void PutId(std::vector<u8>& out, const char* id);
std::vector<u8> Chunk(const char* id, const std::vector<u8>& body);
std::vector<u8> FmtBody(u32 tag, u32 channels, u32 rate, u32 bits, u32 blockAlign,
                        const std::vector<u8>& extra = {});
// "RIFF" size "WAVE" "fmt " fmtSize fmtBody, then the chunks in order.
std::vector<u8> Riff(const std::vector<u8>& fmtBody, const std::vector<std::vector<u8>>& chunks);
// A PCM wave file of 16-bit samples.
std::vector<u8> PcmWave16(u32 channels, u32 rate, const std::vector<i16>& samples);
