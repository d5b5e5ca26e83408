#include "KetrelTestAlsa.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

CKetrelTestAlsa::CKetrelTestAlsa() : m_hadPath(false)
{
    const char* saved = std::getenv("ALSA_CONFIG_PATH");
    if (saved)
    {
        m_savedPath = saved;
        m_hadPath = true;
    }
    char folder[] = "/tmp/ketrel-alsa-XXXXXX";
    if (mkdtemp(folder))
        m_folder = folder;
}

CKetrelTestAlsa::~CKetrelTestAlsa()
{
    if (m_hadPath)
        setenv("ALSA_CONFIG_PATH", m_savedPath.c_str(), 1);
    else
        unsetenv("ALSA_CONFIG_PATH");
    if (!m_folder.empty())
    {
        std::remove(m_output.c_str());
        std::remove(m_config.c_str());
        rmdir(m_folder.c_str());
    }
}

bool CKetrelTestAlsa::Route(const std::string& body)
{
    if (m_folder.empty())
        return false;
    m_config = m_folder + "/asound.conf";
    std::ofstream out(m_config);
    out << body;
    out.close();
    if (!out)
        return false;
    // The configuration stands alone: the null slave is written inline, so nothing of
    // the system's own configuration is read.
    return setenv("ALSA_CONFIG_PATH", m_config.c_str(), 1) == 0;
}

bool CKetrelTestAlsa::RouteToFile()
{
    m_output = m_folder + "/output.raw";
    std::remove(m_output.c_str());
    return Route("pcm.!default {\n"
                 "    type file\n"
                 "    slave { pcm { type null } }\n"
                 "    file \"" + m_output + "\"\n"
                 "    format \"raw\"\n"
                 "}\n");
}

bool CKetrelTestAlsa::RouteToNull()
{
    m_output.clear();
    return Route("pcm.!default {\n"
                 "    type null\n"
                 "}\n");
}

std::vector<unsigned char> CKetrelTestAlsa::ReadOutput() const
{
    std::ifstream in(m_output, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

long CKetrelTestAlsa::GetOutputSize() const
{
    struct stat st;
    return stat(m_output.c_str(), &st) == 0 ? (long)st.st_size : 0;
}
