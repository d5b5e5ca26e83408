#include "main/KetrelInstanceLock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(KetrelLockPidParse, Texts)
{
    struct Case { const char* name; std::string text; int ok; i32 pid; };
    const Case cases[] = {
        {"plain", "1234", 1, 1234},
        {"white space and newline", " \t 42\n", 1, 42},
        {"plus sign", "+17", 1, 17},
        {"trailing text", "12ab", 1, 12},
        {"largest id", "2147483647", 1, 2147483647},
        {"one past 31 bits", "2147483648", 0, 0},
        {"long digit run", "99999999999999999999999999", 0, 0},
        {"negative", "-5", 0, 0},
        {"zero", "0", 0, 0},
        {"leading zeros", "00077", 1, 77},
        {"empty", "", 0, 0},
        {"only white space", "  \n", 0, 0},
        {"letters", "abc", 0, 0},
        {"two signs", "--5", 0, 0},
        {"sign then space", "- 5", 0, 0},
        {"embedded zero byte", std::string("1\0" "2", 3), 1, 1},
        {"high bytes", "\xff\xfe" "9", 0, 0},
    };
    for (const Case& c : cases)
    {
        i32 pid = -7;
        EXPECT_EQ(c.ok, KetrelParseLockPid(c.text.data(), c.text.size(), &pid)) << c.name;
        EXPECT_EQ(c.ok ? c.pid : -7, pid) << c.name << ": a failed parse leaves the output";
    }
}

// Only len bytes are read: the text need not be terminated.
TEST(KetrelLockPidParse, StopsAtTheGivenLength)
{
    const char digits[4] = {'1', '2', '3', '4'};
    i32 pid = 0;
    ASSERT_EQ(1, KetrelParseLockPid(digits, 2, &pid));
    EXPECT_EQ(12, pid);
    EXPECT_EQ(0, KetrelParseLockPid(digits, 0, &pid));
    EXPECT_EQ(0, KetrelParseLockPid(nullptr, 4, &pid));
}

class KetrelInstanceLockFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ketrel-lock-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        folder = pattern;
        path = folder + "/brix_app.lock";
    }
    void TearDown() override
    {
        unlink(path.c_str());
        unlink((folder + "/victim").c_str());
        rmdir(folder.c_str());
    }
    void Write(const std::string& text)
    {
        FILE* f = fopen(path.c_str(), "w");
        ASSERT_NE(nullptr, f);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    std::string Read(const std::string& file) const
    {
        std::string text;
        FILE* f = fopen(file.c_str(), "r");
        if (!f)
            return "<missing>";
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            text.append(buffer, n);
        fclose(f);
        return text;
    }
    static std::string Own() { return std::to_string(getpid()); }

    std::string folder;
    std::string path;
};

static pid_t DeadPid()
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Whatever the file says, a free lock is taken and the file then names us.
TEST_F(KetrelInstanceLockFile, FreeLockIsTakenWhateverTheFileSays)
{
    struct Case { const char* name; bool create; std::string text; };
    const Case cases[] = {
        {"no file", false, ""},
        {"empty file", true, ""},
        {"dead process", true, std::to_string(DeadPid())},
        {"live process that holds no lock", true, std::to_string(getppid())},
        {"our own id", true, Own()},
        {"garbage", true, "not a pid at all"},
        {"long text is cut, not kept", true, std::string(300, '7')},
    };
    for (const Case& c : cases)
    {
        unlink(path.c_str());
        if (c.create)
            Write(c.text);
        CKetrelInstanceLock lock;
        i32 other = -1;
        EXPECT_EQ(0, lock.Acquire(path.c_str(), &other)) << c.name;
        EXPECT_EQ(0, other) << c.name;
        EXPECT_EQ(Own(), Read(path)) << c.name;
    }
}

TEST_F(KetrelInstanceLockFile, HeldLockMeansAnotherCopyRuns)
{
    CKetrelInstanceLock first;
    ASSERT_EQ(0, first.Acquire(path.c_str(), nullptr));
    EXPECT_EQ(0, first.Acquire(path.c_str(), nullptr)) << "a held lock is kept";

    // A second open of the file is a second copy, even in this process.
    CKetrelInstanceLock second;
    i32 other = 0;
    EXPECT_EQ(1, second.Acquire(path.c_str(), &other));
    EXPECT_EQ(getpid(), other);
    EXPECT_EQ(Own(), Read(path)) << "the holder's id stays";

    first.Release();
    EXPECT_EQ(0, second.Acquire(path.c_str(), &other));
    EXPECT_EQ(0, other);
}

TEST_F(KetrelInstanceLockFile, LockHeldByAnotherProcess)
{
    int ready[2], quit[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(quit));
    pid_t child = fork();
    if (child == 0)
    {
        CKetrelInstanceLock lock;
        char c = lock.Acquire(path.c_str(), nullptr) == 0 ? 'y' : 'n';
        if (write(ready[1], &c, 1) != 1 || read(quit[0], &c, 1) < 0)
            _exit(2);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(1, read(ready[0], &c, 1));
    ASSERT_EQ('y', c);

    CKetrelInstanceLock lock;
    i32 other = 0;
    EXPECT_EQ(1, lock.Acquire(path.c_str(), &other));
    EXPECT_EQ(child, other);

    c = 'q';
    ASSERT_EQ(1, write(quit[1], &c, 1));
    int status = 0;
    waitpid(child, &status, 0);
    // The lock died with its holder; the id it left behind blocks nothing.
    EXPECT_EQ(0, lock.Acquire(path.c_str(), &other));
    EXPECT_EQ(Own(), Read(path));
    close(ready[0]);
    close(ready[1]);
    close(quit[0]);
    close(quit[1]);
}

// A link planted at the lock's name is never followed: its target keeps its
// content and the name becomes a lock file of our own.
TEST_F(KetrelInstanceLockFile, PlantedLinkIsNotFollowed)
{
    std::string victim = folder + "/victim";
    FILE* f = fopen(victim.c_str(), "w");
    ASSERT_NE(nullptr, f);
    fputs("precious", f);
    fclose(f);
    ASSERT_EQ(0, symlink(victim.c_str(), path.c_str()));

    CKetrelInstanceLock lock;
    EXPECT_EQ(0, lock.Acquire(path.c_str(), nullptr));
    EXPECT_EQ("precious", Read(victim));
    struct stat st;
    ASSERT_EQ(0, lstat(path.c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(Own(), Read(path));
}

// Names that are not regular files neither block the start nor hang it.
TEST_F(KetrelInstanceLockFile, OtherKindsOfFileDoNotBlock)
{
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    CKetrelInstanceLock fifo;
    EXPECT_EQ(0, fifo.Acquire(path.c_str(), nullptr));
    unlink(path.c_str());

    ASSERT_EQ(0, mkdir(path.c_str(), 0700));
    CKetrelInstanceLock directory;
    EXPECT_EQ(0, directory.Acquire(path.c_str(), nullptr));
    rmdir(path.c_str());

    CKetrelInstanceLock missingFolder;
    EXPECT_EQ(0, missingFolder.Acquire((folder + "/no/such/lock").c_str(), nullptr));
    EXPECT_EQ(0, missingFolder.Acquire(nullptr, nullptr));
}
