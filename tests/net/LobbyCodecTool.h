#pragma once
// The lobby server's independent codec (tools/lobbyserver/asn1tool.py), started once with
// a pipe each way: one JSON line out, one JSON line back.
#include "CrossJson.h"

#include <string>
#include <sys/types.h>

class CLobbyCodecTool
{
public:
    // Null when python3 or the tool is missing.
    static CLobbyCodecTool* Shared();
    ~CLobbyCodecTool();

    // The tool's answer to one request; an object with "error" when the tool failed.
    JValue Ask(const JValue& request);

private:
    CLobbyCodecTool() {}
    bool Start(const std::string& script);

    pid_t m_pid = -1;
    int m_to = -1;
    int m_from = -1;
    std::string m_pending;   // bytes read past the last answer
};
