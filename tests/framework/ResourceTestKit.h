#pragma once
// Helpers of the resource manager tests: packs written with the engine's pack writer
// into a private folder, small PNG and WAV files made in memory, and an application
// whose screen size a test sets (no window needed).
#include "engine/KetrelApplication.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

#include <functional>
#include <string>
#include <vector>

struct TestEntry
{
    std::string name;   // as stored in the pack, e.g. "/gfx/logo.png"
    std::string data;
};

// A private folder, removed with everything in it by the destructor.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes a pack; false when the writer refuses the entries or the file.
bool WriteTestPack(const std::string& path, const std::vector<TestEntry>& entries);

// A PNG of width x height whose pixel (x, y) is colour(x, y) as 0xAARRGGBB.
std::string MakePng(int width, int height, const std::function<u32(int, int)>& colour);
inline std::string MakeSolidPng(int width, int height, u32 colour)
{
    return MakePng(width, height, [colour](int, int) { return colour; });
}

// An opaque JPEG of width x height in one colour (0xRRGGBB), at the best quality.
std::string MakeSolidJpeg(int width, int height, u32 colour);

// A 16-bit mono PCM RIFF/WAVE file of frames samples of a square wave.
std::string MakeWav(int frames, int rate = 22050);

// "vad.meta" text with the given image and font sizes (0 leaves the element out).
std::string MakeMeta(int imageSize, int fontSize, const std::string& imageFiles = "",
                     const std::string& fontFiles = "", int separateAlpha = 0);

// Forgets the display of the environment before the application opens one: with a
// display the shell would draw through OpenGL ES, whose size a test cannot set.
struct NoDisplay
{
    NoDisplay();
};

// The engine application with a software drawing target of a chosen size.
class TestApp : private NoDisplay, public IKetrelApplication
{
public:
    void OnFrame() override {}
    // Makes the drawing target width x height (format 7).
    bool SetScreen(int width, int height);
    // The folder of the test program: where packs named without a path are looked for.
    std::string ProgramFolder();
};

inline CKetrelString Str(const std::string& text) { return CKetrelString(text.c_str()); }
