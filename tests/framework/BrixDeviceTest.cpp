#include "DeviceTestBus.h"
#include "FrameworkTestKit.h"

#include "engine/KetrelResult.h"
#include "framework/BrixDevice.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace
{
std::string Utf8Of(const CKetrelString& s)
{
    std::vector<char> utf(s.ToUTF8(nullptr));
    s.ToUTF8(utf.data());
    return utf.data();
}

// A stand-in for the desktop's opener that writes its arguments to a file.
struct Opener
{
    TestFolder folder;
    std::string script = folder.File("opener.sh");
    std::string log = folder.File("opened.txt");

    Opener()
    {
        WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log + "'\n");
        chmod(script.c_str(), 0755);
    }
    // Waits up to two seconds for the opener's log.
    std::string Opened(bool expectSomething = true)
    {
        for (int i = 0; i < (expectSomething ? 200 : 20); ++i)
        {
            std::string text = ReadFileBytes(log);
            if (!text.empty())
                return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "";
    }
};

const char* const kImei = "350000000000001";
const std::string kVibrateCall = "com.nokia.mce.request.req_vibrator_pattern_activate:PatternTouchscreen";
}

TEST(BrixDeviceBus, ServicesAnswerTheThreeCalls)
{
    DeviceTestBus bus;
    ASSERT_FALSE(bus.Address().empty());
    ASSERT_TRUE(bus.StartServices(true, true, true, kImei));
    Opener opener;
    CBrixDevice device(bus.Address().c_str(), opener.script.c_str());
    EXPECT_EQ(0, device.IsVibrationEnabled());
    ASSERT_EQ(KE_OK, device.Init(nullptr));
    const CBrixDeviceInfo& info = device.GetInfo();
    EXPECT_EQ(kImei, Utf8Of(info.deviceId));
    EXPECT_EQ("N900", Utf8Of(info.model));
    EXPECT_EQ("Linux (Maemo)", Utf8Of(info.osName));

    device.SetVibrationEnabled(0);
    device.Vibrate(5);                      // no call while disabled
    device.SetVibrationEnabled(1);
    device.Vibrate(0);
    device.OpenUrl(CKetrelString(L"https://example.test/a page?x=1 2"));
    device.OpenUrl(CKetrelString(L"https://example.test/\u00e9\u263a"));
    device.OpenUrl(CKetrelString());        // nothing
    ASSERT_TRUE(bus.WaitForCalls(4));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::vector<std::string> expected = {
        "Phone.Sim.Security.get_imei:",
        kVibrateCall,
        "com.nokia.osso_browser.load_url:https://example.test/a_page?x=1_2",
        "com.nokia.osso_browser.load_url:https://example.test/\xC3\xA9\xE2\x98\xBA",
    };
    EXPECT_EQ(expected, bus.Calls());
    EXPECT_EQ("", opener.Opened(false));    // the browser took every link
}

// Without the services (a desktop): no id, no vibration, links go to the opener.
TEST(BrixDeviceBus, WithoutServicesLinksGoToTheOpener)
{
    DeviceTestBus bus;
    ASSERT_FALSE(bus.Address().empty());
    ASSERT_TRUE(bus.StartServices(false, true, false, kImei));   // only the vibrator
    Opener opener;
    CBrixDevice device(bus.Address().c_str(), opener.script.c_str());
    ASSERT_EQ(KE_OK, device.Init(nullptr));
    EXPECT_TRUE(device.GetInfo().deviceId.IsEmpty());
    device.OpenUrl(CKetrelString(L"--help"));   // would be an option to the opener
    device.OpenUrl(CKetrelString(L"https://example.test/x y"));
    EXPECT_EQ("https://example.test/x_y\n", opener.Opened());
    device.Vibrate(0);
    ASSERT_TRUE(bus.WaitForCalls(1));
    EXPECT_EQ(std::vector<std::string>{kVibrateCall}, bus.Calls());
}

TEST(BrixDeviceBus, NoBusAtAll)
{
    Opener opener;
    CBrixDevice device("unix:path=/nonexistent/brix-no-bus", opener.script.c_str());
    EXPECT_EQ(KE_OK, device.Init(nullptr));
    EXPECT_TRUE(device.GetInfo().deviceId.IsEmpty());
    EXPECT_EQ(1, device.IsVibrationEnabled());
    device.Vibrate(0);
    device.OpenUrl(CKetrelString(L"https://example.test/"));
    EXPECT_EQ("https://example.test/\n", opener.Opened());

    // The machine's own system bus (if any) has no handset services.
    CBrixDevice system(nullptr, nullptr);
    EXPECT_EQ(KE_OK, system.Init(nullptr));
    EXPECT_TRUE(system.GetInfo().deviceId.IsEmpty());
    system.Vibrate(0);
}

TEST(BrixDeviceText, UrlEncode)
{
    struct Case { const wchar_t* in; const char* out; };
    const Case cases[] = {
        {L"a b", "a%20b"}, {L"/", "%2F"}, {L"-", "%2D"}, {L".", "%2E"},
        {L"AZaz09", "AZaz09"}, {L"\u00ff", "%FF"}, {L"", ""},
    };
    for (const Case& c : cases)
    {
        CKetrelString s(c.in);
        CBrixDevice::UrlEncode(s);
        EXPECT_EQ(c.out, Utf8Of(s)) << c.out;
    }
}
