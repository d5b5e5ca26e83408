#pragma once
// Helpers of the framework service tests: an application whose user data folder is a
// fresh one of its own (its name carries the process id and a counter; the folder is
// removed by the destructor), byte helpers, and a runner that kills a child process at
// every disk-changing step of a safe file write.
#include "ResourceTestKit.h"

#include <functional>
#include <string>
#include <vector>

class UserDataApp : public TestApp
{
public:
    UserDataApp();
    ~UserDataApp();
    // Path of a file in the user data folder.
    std::string UserFile(const std::string& name);
    std::string ProgramFile(const std::string& name) { return ProgramFolder() + name; }
};

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// UTF-16LE of UTF-8 text (units up to 0xFFFF), with an optional byte-order mark.
std::string Utf16(const std::string& utf8, bool bom = false);

// Runs work in a child process that is killed with SIGKILL just before disk step k of
// the safe file writer, for k = 0, 1, 2, ... until a child finishes without reaching
// its step. After each child, check() runs in the parent. Returns the number of
// children killed.
int KillAtEveryWriteStep(const std::function<void()>& work, const std::function<void(int)>& check);
