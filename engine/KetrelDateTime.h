#pragma once
// engine/KetrelDateTime.h
#include "engine/KetrelTypes.h"

// A calendar date and time (Gregorian, local time when set from the clock). The
// setters carry: a value out of range moves into the neighbouring unit, so a day
// before the 1st is the last day of the month before, and so on up to the year.
class CKetrelDateTime
{
public:
    CKetrelDateTime();                // all six fields 0
    virtual ~CKetrelDateTime();

    static CKetrelDateTime* Create(); // the caller owns it (delete)
    void Copy(const CKetrelDateTime& other);

    void SetNow();                    // local time from time() and localtime()

    void SetYear(i32 year);           // full year, e.g. 2010
    void SetMonth(i32 month);         // 0..11; others carry into the year
    void SetDay(i32 day);             // 1..length of the month; others carry
    void SetHour(i32 hour);           // 0..23
    void SetMinute(i32 minute);       // 0..59
    void SetSecond(i32 second);       // 0..59

    i32 GetYear() const { return m_year; }
    i32 GetMonth() const { return m_month; }
    i32 GetDay() const { return m_day; }
    i32 GetHour() const { return m_hour; }
    i32 GetMinute() const { return m_minute; }
    i32 GetSecond() const { return m_second; }

    static i64 GetUnixTime();         // time(NULL)
    static bool IsLeapYear(i32 year);
    // Days in month 0..11 of the year.
    static i32 GetDaysInMonth(i32 year, i32 month);

private:
    i32 m_year;
    i32 m_month;
    i32 m_day;
    i32 m_hour;
    i32 m_minute;
    i32 m_second;
};
