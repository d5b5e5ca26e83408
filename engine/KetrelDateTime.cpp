// engine/KetrelDateTime.cpp
#include "engine/KetrelDateTime.h"

#include <new>
#include <time.h>

namespace
{
// Brings value into 0..unit-1 and returns the whole units taken off it (negative for a
// negative value), so that a carry is made in one step however far out value lies.
i32 SplitCarry(i32& value, i32 unit)
{
    i32 carry = value / unit;
    value -= carry * unit;
    if (value < 0)
    {
        value += unit;
        carry -= 1;
    }
    return carry;
}
}

CKetrelDateTime::CKetrelDateTime()
    : m_year(0), m_month(0), m_day(0), m_hour(0), m_minute(0), m_second(0)
{
}

CKetrelDateTime::~CKetrelDateTime()
{
}

CKetrelDateTime* CKetrelDateTime::Create()
{
    return new (std::nothrow) CKetrelDateTime();
}

void CKetrelDateTime::Copy(const CKetrelDateTime& other)
{
    m_year = other.m_year;
    m_month = other.m_month;
    m_day = other.m_day;
    m_hour = other.m_hour;
    m_minute = other.m_minute;
    m_second = other.m_second;
}

void CKetrelDateTime::SetNow()
{
    time_t now = time(NULL);
    struct tm local;
    if (localtime_r(&now, &local) == NULL)
        return;
    m_year = local.tm_year + 1900;
    m_month = local.tm_mon;
    m_day = local.tm_mday;
    m_hour = local.tm_hour;
    m_minute = local.tm_min;
    m_second = local.tm_sec;
}

i64 CKetrelDateTime::GetUnixTime()
{
    return (i64)time(NULL);
}

bool CKetrelDateTime::IsLeapYear(i32 year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

i32 CKetrelDateTime::GetDaysInMonth(i32 year, i32 month)
{
    static const i32 kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 0 || month > 11)
        return 31;
    if (month == 1 && IsLeapYear(year))
        return 29;
    return kDays[month];
}

void CKetrelDateTime::SetYear(i32 year)
{
    m_year = year;
}

void CKetrelDateTime::SetMonth(i32 month)
{
    // Whole years at once: a month far out of range must not loop for long.
    const i32 years = SplitCarry(month, 12);
    m_month = month;
    m_year += years;
}

void CKetrelDateTime::SetDay(i32 day)
{
    m_day = day;
    // Make sure the month is in range before its length is read.
    SetMonth(m_month);
    // 400 Gregorian years are exactly 146097 days: far values skip whole cycles
    // instead of walking month by month.
    const i32 kCycleDays = 146097;
    if (m_day > kCycleDays || m_day < -kCycleDays)
    {
        i32 cycles = m_day / kCycleDays;
        m_day -= cycles * kCycleDays;
        m_year += cycles * 400;
    }
    while (m_day > GetDaysInMonth(m_year, m_month))
    {
        m_day -= GetDaysInMonth(m_year, m_month);
        SetMonth(m_month + 1);
    }
    // Day 0 is the last day of the month before: step back first, then add the
    // length of the month stepped into.
    while (m_day < 1)
    {
        SetMonth(m_month - 1);
        m_day += GetDaysInMonth(m_year, m_month);
    }
}

void CKetrelDateTime::SetHour(i32 hour)
{
    const i32 days = SplitCarry(hour, 24);
    m_hour = hour;
    if (days != 0)
        SetDay(m_day + days);
}

void CKetrelDateTime::SetMinute(i32 minute)
{
    const i32 hours = SplitCarry(minute, 60);
    m_minute = minute;
    if (hours != 0)
        SetHour(m_hour + hours);
}

void CKetrelDateTime::SetSecond(i32 second)
{
    const i32 minutes = SplitCarry(second, 60);
    m_second = second;
    if (minutes != 0)
        SetMinute(m_minute + minutes);
}
