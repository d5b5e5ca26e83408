// tests/engine/KetrelTimerTest.cpp
#include "engine/KetrelDateTime.h"
#include "engine/KetrelThread.h"
#include "engine/KetrelTimer.h"

#include <gtest/gtest.h>

#include <time.h>

namespace
{
struct Date { i32 year, month, day, hour, minute, second; };

CKetrelDateTime Make(const Date& d)
{
    CKetrelDateTime t;
    t.SetYear(d.year);
    t.SetMonth(d.month);
    t.SetDay(d.day);
    t.SetHour(d.hour);
    t.SetMinute(d.minute);
    t.SetSecond(d.second);
    return t;
}

::testing::AssertionResult Is(const CKetrelDateTime& t, const Date& d)
{
    if (t.GetYear() == d.year && t.GetMonth() == d.month && t.GetDay() == d.day &&
        t.GetHour() == d.hour && t.GetMinute() == d.minute && t.GetSecond() == d.second)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << t.GetYear() << "-" << t.GetMonth() << "-" << t.GetDay() << " "
           << t.GetHour() << ":" << t.GetMinute() << ":" << t.GetSecond() << ", want "
           << d.year << "-" << d.month << "-" << d.day << " " << d.hour << ":" << d.minute
           << ":" << d.second;
}

enum Field { kMonth, kDay, kHour, kMinute, kSecond };

void Apply(CKetrelDateTime& t, Field f, i32 v)
{
    switch (f)
    {
    case kMonth: t.SetMonth(v); break;
    case kDay: t.SetDay(v); break;
    case kHour: t.SetHour(v); break;
    case kMinute: t.SetMinute(v); break;
    case kSecond: t.SetSecond(v); break;
    }
}
}

// Months are 0..11 throughout.
TEST(KetrelDateTimeCarry, ForwardAndBackward)
{
    struct Case { const char* name; Date start; Field field; i32 value; Date want; };
    const Case cases[] = {
        {"31 April is 1 May", {2013, 3, 1, 0, 0, 0}, kDay, 31, {2013, 4, 1, 0, 0, 0}},
        {"29 Feb 1900 is 1 March", {1900, 1, 1, 0, 0, 0}, kDay, 29, {1900, 2, 1, 0, 0, 0}},
        {"29 Feb 2000 stays", {2000, 1, 1, 0, 0, 0}, kDay, 29, {2000, 1, 29, 0, 0, 0}},
        {"hour 25 on 31 Dec 2010", {2010, 11, 31, 0, 0, 0}, kHour, 25, {2011, 0, 1, 1, 0, 0}},
        {"month -1 of 2010", {2010, 5, 1, 0, 0, 0}, kMonth, -1, {2009, 11, 1, 0, 0, 0}},
        {"month 25", {2010, 5, 1, 0, 0, 0}, kMonth, 25, {2012, 1, 1, 0, 0, 0}},
        {"second 125", {2010, 5, 1, 10, 20, 0}, kSecond, 125, {2010, 5, 1, 10, 22, 5}},
        {"minute 60", {2010, 5, 1, 23, 0, 0}, kMinute, 60, {2010, 5, 2, 0, 0, 0}},
        {"day 0 of March, leap year", {2012, 2, 1, 0, 0, 0}, kDay, 0, {2012, 1, 29, 0, 0, 0}},
        {"day 0 of March, common year", {2011, 2, 1, 0, 0, 0}, kDay, 0, {2011, 1, 28, 0, 0, 0}},
        {"day 0 of March 1900", {1900, 2, 1, 0, 0, 0}, kDay, 0, {1900, 1, 28, 0, 0, 0}},
        {"day 0 of March 2000", {2000, 2, 1, 0, 0, 0}, kDay, 0, {2000, 1, 29, 0, 0, 0}},
        {"day -1 of March", {2013, 2, 1, 0, 0, 0}, kDay, -1, {2013, 1, 27, 0, 0, 0}},
        {"day 0 of January", {2011, 0, 5, 0, 0, 0}, kDay, 0, {2010, 11, 31, 0, 0, 0}},
        {"day -59 of March", {2011, 2, 1, 0, 0, 0}, kDay, -59, {2010, 11, 31, 0, 0, 0}},
        {"hour -1 on 1 March 2000", {2000, 2, 1, 0, 30, 0}, kHour, -1, {2000, 1, 29, 23, 30, 0}},
        {"second -1 at new year", {2011, 0, 1, 0, 0, 0}, kSecond, -1, {2010, 11, 31, 23, 59, 59}},
        {"minute -61", {2011, 0, 1, 0, 30, 0}, kMinute, -61, {2010, 11, 31, 22, 59, 0}},
        {"day 366 of 2012", {2012, 0, 1, 0, 0, 0}, kDay, 366, {2012, 11, 31, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        CKetrelDateTime t = Make(c.start);
        ASSERT_TRUE(Is(t, c.start)) << c.name << " (start)";
        Apply(t, c.field, c.value);
        EXPECT_TRUE(Is(t, c.want)) << c.name;
    }
}

// Any offset in seconds, forward or back, lands where the C library's normalisation
// puts it (proleptic Gregorian, no time zone).
TEST(KetrelDateTimeCarry, AgreesWithTimegm)
{
    const Date starts[] = {{1899, 11, 31, 23, 59, 59}, {1900, 1, 28, 12, 0, 0},
                           {2000, 1, 29, 0, 0, 0},     {2010, 11, 31, 23, 0, 0},
                           {2024, 2, 1, 0, 0, 0},      {2100, 0, 1, 0, 0, 1}};
    const i64 offsets[] = {-86400LL * 800, -86400LL * 366, -86400LL * 29, -86400, -3601, -1,
                           1, 59, 3600, 86399, 86400LL * 31, 86400LL * 365, 86400LL * 1500};
    for (const Date& s : starts)
        for (i64 off : offsets)
        {
            // Day-sized parts through SetDay, the rest through SetSecond.
            i32 days = (i32)(off / 86400);
            i32 secs = (i32)(off % 86400);
            CKetrelDateTime t = Make(s);
            t.SetDay(s.day + days);
            t.SetSecond(s.second + secs);

            struct tm tm = {};
            tm.tm_year = s.year - 1900;
            tm.tm_mon = s.month;
            tm.tm_mday = s.day + days;
            tm.tm_hour = s.hour;
            tm.tm_min = s.minute;
            tm.tm_sec = s.second + secs;
            time_t when = timegm(&tm);
            struct tm want;
            gmtime_r(&when, &want);
            Date w = {want.tm_year + 1900, want.tm_mon, want.tm_mday,
                      want.tm_hour, want.tm_min, want.tm_sec};
            EXPECT_TRUE(Is(t, w)) << "start " << s.year << "-" << s.month << "-" << s.day
                                  << " offset " << off;
        }
}

TEST(KetrelDateTimeCarry, FarValuesFinishQuickly)
{
    CKetrelDateTime t = Make({2000, 0, 1, 0, 0, 0});
    t.SetDay(146097 * 3 + 1);              // 1200 years later, to the day
    EXPECT_TRUE(Is(t, {3200, 0, 1, 0, 0, 0}));
    t.SetDay(-146097 * 2 + 1);
    EXPECT_TRUE(Is(t, {2400, 0, 1, 0, 0, 0}));
    t.SetSecond(2000000000);
    CKetrelDateTime copy;
    copy.Copy(t);
    EXPECT_TRUE(Is(copy, {2463, 4, 18, 3, 33, 20}));
}

TEST(KetrelDateTimeNow, MatchesLocalTime)
{
    CKetrelDateTime t;
    time_t before = time(NULL);
    t.SetNow();
    struct tm local;
    localtime_r(&before, &local);
    EXPECT_EQ(local.tm_year + 1900, t.GetYear());
    EXPECT_GE(t.GetMonth(), 0);
    EXPECT_LE(t.GetMonth(), 11);
    EXPECT_GE(t.GetDay(), 1);
    EXPECT_LE(t.GetDay(), 31);
    i64 unix = CKetrelDateTime::GetUnixTime();
    EXPECT_GE(unix, (i64)before);
    EXPECT_LE(unix, (i64)before + 5);
}

// The clock starts near 0 at its first use in the process.
TEST(KetrelTimerClock, StartsNearZeroAndUnitsAgree)
{
    CKetrelTimer t;
    t.Init();
    i64 ns = t.GetNowNs();
    EXPECT_GE(ns, 0);
    EXPECT_LT(ns, 2000000000LL);            // the base is whole seconds
    u64 ms = t.GetNowMs();
    u64 us = t.GetNowUs();
    i64 ns2 = t.GetNowNs();
    EXPECT_LE((u64)(ns / 1000000), ms);
    EXPECT_LE(ms, us / 1000);
    EXPECT_LE((i64)us, ns2 / 1000);
}

TEST(KetrelTimerClock, DeltaFromMark)
{
    CKetrelTimer t;
    t.Init();
    t.Mark();
    IKetrelThread::Sleep(150);
    t.Update();
    f32 s = t.GetDeltaSeconds();
    i32 ms = t.GetDeltaMs();
    EXPECT_GE(s, 0.150f);
    EXPECT_LT(s, 0.6f);
    EXPECT_GE(ms, 150);
    EXPECT_NEAR((double)ms, (double)s * 1000.0, 1.0);
    // The mark stays: a later Update measures from the same point.
    IKetrelThread::Sleep(20);
    t.Update();
    EXPECT_GE(t.GetDeltaMs(), ms + 20);
}

TEST(KetrelTimerClock, CreateGivesTimerWithoutFactors)
{
    CKetrelTimer* t = CKetrelTimer::Create();
    ASSERT_NE(nullptr, t);
    t->Mark();
    IKetrelThread::Sleep(2);
    t->Update();                            // no Init: the factors are still 0
    EXPECT_EQ(0.0f, t->GetDeltaSeconds());
    t->Init();
    t->Update();
    EXPECT_GT(t->GetDeltaSeconds(), 0.0f);
    t->Stop();
    delete t;
}
