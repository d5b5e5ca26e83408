#pragma once
// Routes ALSA's "default" playback device to a raw file, or to a null device, for the
// life of the object: it writes a small ALSA configuration into a private temporary
// folder and points ALSA_CONFIG_PATH at it (restored by the destructor). No sound card
// is needed. Create it before the code under test opens the device:
//
//     CKetrelTestAlsa alsa;
//     ASSERT_TRUE(alsa.RouteToFile());
//     ... play through "default" ...
//     std::vector<unsigned char> bytes = alsa.ReadOutput();   // after the device closed
//
// The null device accepts every write at once, so a writer is not paced in real time.
#include <string>
#include <vector>

class CKetrelTestAlsa
{
public:
    CKetrelTestAlsa();
    ~CKetrelTestAlsa();

    // "default" writes the exact stream it is given to GetOutputPath().
    bool RouteToFile();
    // "default" discards what it is given.
    bool RouteToNull();
    // Any other configuration text (for instance a device that cannot open).
    bool Route(const std::string& config);

    const std::string& GetOutputPath() const { return m_output; }
    const std::string& GetFolder() const { return m_folder; }
    // The bytes written so far (the file device flushes when the device is closed).
    std::vector<unsigned char> ReadOutput() const;
    // Its size in bytes (0 before anything was written).
    long GetOutputSize() const;

private:

    std::string m_folder;      // private temporary folder, removed by the destructor
    std::string m_config;
    std::string m_output;
    std::string m_savedPath;   // ALSA_CONFIG_PATH before, restored by the destructor
    bool m_hadPath;
};
