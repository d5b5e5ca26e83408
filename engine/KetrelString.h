#pragma once
#include "engine/KetrelTypes.h"

#include <type_traits>

class CKetrelFile;
class CKetrelString;

// One argument of CKetrelString::Format, with the kind it was passed as. Built by
// the Format templates from each argument; callers never make one themselves.
struct CKetrelFormatArg
{
    enum Kind : u8
    {
        kNone,      // a type Format cannot print: matches no conversion
        kInteger,   // any integer, enum or bool: %d %u %x %X
        kFloat,     // float or double: %f
        kText16,    // const u16* / char16_t* / CKetrelString: %s %S
        kTextWide,  // const wchar_t*, each unit narrowed to 16 bits: %s %S
        kText8,     // const char*, each byte widened to one unit: %s %S
        kPointer    // any other pointer: %x %X (its low 32 bits)
    };

    Kind kind;
    union
    {
        u64 integer;
        f64 real;
        const u16* text16;
        const wchar_t* textWide;
        const char* text8;
    };
};

// Where Scan stores one %s field: at most capacity - 1 units and a 0. The rest of the
// field is skipped. A null buffer or a capacity below 1 stores nothing.
struct CKetrelScanText
{
    u16* buffer;
    i32 capacity;   // in 16-bit units, the terminating 0 included
};

// One argument of CKetrelString::Scan with the kind it was passed as.
struct CKetrelScanArg
{
    enum Kind : u8
    {
        kNone,      // matches no conversion
        kInt,       // i32* or u32*: %d %x
        kFloat,     // float*: %f
        kText       // CKetrelScanText: %s
    };

    Kind kind;
    void* target;   // null: the field is consumed but nothing is read or stored
    i32 capacity;   // kText only
};

namespace KetrelStringDetail
{
template <class T>
CKetrelFormatArg MakeFormatArg(const T& value);
template <class T>
CKetrelScanArg MakeScanArg(const T& value);
}

// The engine's one text type: 16-bit code units with a stored size that counts the
// terminating 0. An empty string holds no buffer and size 0. Every change that alters
// the length allocates a new buffer of the exact new size; copies are deep.
// Characters are compared and case-mapped as unsigned 16-bit values.
//
// Wide (wchar_t, 4 bytes here), 8-bit and 16-bit sources are read up to their 0
// terminator, and at most MaxSourceLength characters; a null source gives an empty
// string. 8-bit text is the low byte of each unit; only ToUTF8 and FromUTF8 speak UTF-8.
// Out of memory during a change leaves the string empty.
class CKetrelString
{
public:
    enum { MaxSourceLength = 511999 };

    CKetrelString() : m_buffer(nullptr), m_size(0) {}
    CKetrelString(const CKetrelString& other);
    CKetrelString(CKetrelString&& other) noexcept;
    explicit CKetrelString(const CKetrelString* other);
    CKetrelString(const wchar_t* text);
    CKetrelString(const char* text);
    CKetrelString(const u16* text);
    // count characters from start, or to the end when count is -1. Values outside the
    // source are clipped to it.
    CKetrelString(const CKetrelString& source, int start, int count);
    ~CKetrelString();

    void Assign(const CKetrelString& other);   // self-assignment does nothing
    void Assign(const wchar_t* text);
    void Assign(const char* text);
    void Assign(const u16* text);
    CKetrelString& operator=(const CKetrelString& other) { Assign(other); return *this; }
    CKetrelString& operator=(CKetrelString&& other) noexcept;
    CKetrelString& operator=(const wchar_t* text) { Assign(text); return *this; }
    CKetrelString& operator=(const char* text) { Assign(text); return *this; }
    CKetrelString& operator=(const u16* text) { Assign(text); return *this; }

    // Drops the content. For size > 1 allocates size units (the caller fills the first
    // size - 1 characters; the last unit is 0) and returns them; else returns null.
    u16* AllocBuffer(int size);
    void Clear();

    // Null when empty. The buffer stays valid until the next change.
    u16* GetBuffer() const { return m_size > 1 ? m_buffer : nullptr; }
    i32 GetLength() const { return (m_buffer && m_size > 0) ? m_size - 1 : 0; }
    bool IsEmpty() const { return GetLength() == 0; }
    // Ignored unless 0 <= index < GetLength().
    void SetAt(int index, u16 ch);
    // The unit at index, or 0 outside the string.
    u16 GetAt(int index) const;

    // -1, 0 or 1. Empty sorts first; a proper prefix sorts before the longer text.
    int Compare(const CKetrelString& other) const;
    // Compare after MakeLower on both sides.
    int CompareNoCase(const CKetrelString& other) const;
    // Unit-for-unit equality.
    bool Equals(const CKetrelString& other) const { return Compare(other) == 0; }

    // First ch at or after start (negative start counts as 0), or -1.
    int Find(u16 ch, int start = 0) const;
    // Last ch at or before start; start -1 searches from the last character. -1 when
    // not found, or when start is below -1 or beyond the string.
    int ReverseFind(u16 ch, int start = -1) const;
    // First position >= max(start, 0) where all of sub matches, or -1 (also when
    // either string is empty).
    int Find(const CKetrelString& sub, int start = 0) const;
    // 1 when sub is non-empty and this string begins with it, else 0.
    int StartsWith(const CKetrelString& sub) const;

    void Append(const CKetrelString& other);   // appending itself is allowed
    void Append(u16 ch);
    // Exactly n characters: cut, or padded with spaces. n <= 0 empties the string.
    void SetLength(int n);
    // Replaces the first occurrence of find (searched from 0); its index, or -1 and
    // no change.
    int Replace(const CKetrelString& find, const CKetrelString& with);
    // Replaces until no occurrence is left; the number of replacements. 0 when find
    // equals with. Each round searches again from the start (so "  " -> " " collapses
    // runs), except when with itself contains find: then the search goes on after the
    // text just inserted, so the call always ends.
    int ReplaceAll(const CKetrelString& find, const CKetrelString& with);
    // 'A'-'Z' and 0xBF-0xD6 get 32 added.
    void MakeLower();
    // 'a'-'z' and 0xE1-0xF6 get 32 subtracted.
    void MakeUpper();

    // Radix 2 to 16, lower-case hex digits; any other radix is taken as 10.
    void FromUnsigned(u32 value, int radix = 10);
    void FromInt(i32 value, int radix = 10);
    // From the float's bits, truncated, never rounded: "-" for a set sign bit (also
    // -0.0), the integer part, then with decimals > 0 a '.' and either "0" (fraction
    // exactly 0) or `decimals` digits of a 24-bit fixed-point fraction. NaN gives
    // "nan", infinities "inf" and "-inf". At most 200 decimals are written.
    void FromFloat(float value, int decimals);

    // printf-style formatting into this string; a null format leaves it unchanged.
    //   %% '%'            %d %u  an integer as signed 32-bit decimal
    //   %x %X  an integer (or the low 32 bits of a pointer) as hex, lower/upper case
    //   %s %S  text: const u16*, const wchar_t*, const char*, CKetrelString or a
    //          pointer to one; null or empty adds nothing
    //   %f     float or double via FromFloat, 9 decimals unless ".N" set them
    // Modifiers, one at most: 'l' is skipped; ".N" sets the decimals of the next %f;
    // two digits "PW" pad %d %u %x %X with the character P to width W ("%02d");
    // one digit "W" pads with spaces to width W. Padding goes before a '-' sign too.
    // Any other conversion letter prints nothing and takes no argument.
    // A conversion whose argument is missing or of the wrong kind prints nothing; a
    // wrong-kind argument is still used up, so later conversions keep their places.
    template <class... Args>
    void Format(const wchar_t* format, const Args&... args)
    {
        const CKetrelFormatArg list[] = {KetrelStringDetail::MakeFormatArg(args)..., {}};
        FormatArgs(format, list, (int)sizeof...(Args));
    }
    template <class... Args>
    void Format(const u16* format, const Args&... args)
    {
        const CKetrelFormatArg list[] = {KetrelStringDetail::MakeFormatArg(args)..., {}};
        FormatArgs(format, list, (int)sizeof...(Args));
    }
    void FormatArgs(const wchar_t* format, const CKetrelFormatArg* args, int count);
    void FormatArgs(const u16* format, const CKetrelFormatArg* args, int count);

    // scanf-style reading of this string from its start; the number of fields stored.
    // Literal format characters (above ' ') are searched for and passed; white space
    // in the format is ignored; white space before each field is skipped.
    //   %d  i32* or u32*: moves to the next digit, any '-' passed on the way makes it
    //       negative; no digit stores 0. Values beyond the i32 range saturate.
    //   %x  i32* or u32*: hex digits at the position (none stores 0); only the last
    //       8 digits count (the value wraps modulo 2^32, so "ffffffff" is -1).
    //   %f  float*: as %d for the sign, then digits with '.' or ',' before decimals.
    //   %s  CKetrelScanText{buffer, capacity}: units up to the format character that
    //       follows "%s" (or to the end), cut to the capacity, then a 0.
    // A null target, or one of the wrong kind for its conversion, uses up the argument and
    // reads nothing. An argument of a type Scan cannot fill does not compile.
    template <class... Args>
    int Scan(const wchar_t* format, const Args&... args) const
    {
        const CKetrelScanArg list[] = {KetrelStringDetail::MakeScanArg(args)..., {}};
        return ScanArgs(format, list, (int)sizeof...(Args));
    }
    template <class... Args>
    int Scan(const u16* format, const Args&... args) const
    {
        const CKetrelScanArg list[] = {KetrelStringDetail::MakeScanArg(args)..., {}};
        return ScanArgs(format, list, (int)sizeof...(Args));
    }
    int ScanArgs(const wchar_t* format, const CKetrelScanArg* args, int count) const;
    int ScanArgs(const u16* format, const CKetrelScanArg* args, int count) const;

    // Low byte of every unit, terminator included; returns GetLength() + 1. A null out
    // only counts. An empty string writes a single 0 and returns 0.
    int ToNarrow(char* out) const;
    // UTF-8 of every unit (1 to 3 bytes each) and a 0; returns the bytes written, the
    // 0 included. A null out only counts.
    int ToUTF8(char* out) const;
    // Decodes at most maxBytes bytes (-1: up to the 0 byte; 0 or other negative values
    // give an empty string). Malformed, overlong, surrogate and 4-byte sequences each
    // become U+FFFD; no 0 unit is ever produced and nothing past the limit is read.
    void FromUTF8(const char* utf8, int maxBytes = -1);

    // u32 length in characters (little-endian), then the units; bytes written.
    int WriteTo(CKetrelFile* file) const;
    // The same layout back; bytes read. A length larger than the rest of the stream,
    // or a stream too short for the length, gives an empty string, returns 0 and
    // leaves the stream position where it was.
    int ReadFrom(CKetrelFile* file);

private:
    // Takes a freshly allocated buffer of size units (or null for empty).
    void Adopt(u16* buffer, i32 size);
    void AssignUnits(const u16* units, int length);
    int FormatUnits(const u16* format, int formatLength, const CKetrelFormatArg* args, int count);
    int ScanUnits(const u16* format, int formatLength, const CKetrelScanArg* args, int count) const;

    u16* m_buffer;   // m_size units, owned; null when empty
    i32 m_size;      // in units, the terminating 0 included; 0 when empty
};

namespace KetrelStringDetail
{
template <class T>
CKetrelFormatArg MakeFormatArg(const T& value)
{
    typedef typename std::decay<T>::type D;
    CKetrelFormatArg arg;
    arg.kind = CKetrelFormatArg::kNone;
    arg.integer = 0;
    if constexpr (std::is_integral<D>::value || std::is_enum<D>::value)
    {
        arg.kind = CKetrelFormatArg::kInteger;
        arg.integer = (u64)(i64)value;
        if constexpr (std::is_unsigned<D>::value)
            arg.integer = (u64)value;
    }
    else if constexpr (std::is_floating_point<D>::value)
    {
        arg.kind = CKetrelFormatArg::kFloat;
        arg.real = (f64)value;
    }
    else if constexpr (std::is_same<D, u16*>::value || std::is_same<D, const u16*>::value)
    {
        arg.kind = CKetrelFormatArg::kText16;
        arg.text16 = value;
    }
    else if constexpr (std::is_same<D, char16_t*>::value || std::is_same<D, const char16_t*>::value)
    {
        arg.kind = CKetrelFormatArg::kText16;
        arg.text16 = reinterpret_cast<const u16*>(value);
    }
    else if constexpr (std::is_same<D, wchar_t*>::value || std::is_same<D, const wchar_t*>::value)
    {
        arg.kind = CKetrelFormatArg::kTextWide;
        arg.textWide = value;
    }
    else if constexpr (std::is_same<D, char*>::value || std::is_same<D, const char*>::value)
    {
        arg.kind = CKetrelFormatArg::kText8;
        arg.text8 = value;
    }
    else if constexpr (std::is_same<D, CKetrelString>::value)
    {
        arg.kind = CKetrelFormatArg::kText16;
        arg.text16 = value.GetBuffer();
    }
    else if constexpr (std::is_same<D, CKetrelString*>::value || std::is_same<D, const CKetrelString*>::value)
    {
        arg.kind = CKetrelFormatArg::kText16;
        arg.text16 = value ? value->GetBuffer() : nullptr;
    }
    else if constexpr (std::is_same<D, std::nullptr_t>::value)
    {
        arg.kind = CKetrelFormatArg::kText16;
        arg.text16 = nullptr;
    }
    else if constexpr (std::is_pointer<D>::value)
    {
        arg.kind = CKetrelFormatArg::kPointer;
        arg.integer = (u64)(std::uintptr_t)(const void*)value;
    }
    return arg;
}

// The argument types Scan can fill: i32*, u32*, float* and CKetrelScanText (a bounded
// u16 buffer). Anything else, a bare u16* above all, is refused when the call compiles.
template <class T>
struct IsScanTarget
{
    typedef typename std::decay<T>::type D;
    static constexpr bool value = std::is_same<D, i32*>::value || std::is_same<D, u32*>::value ||
                                  std::is_same<D, float*>::value || std::is_same<D, CKetrelScanText>::value;
};

template <class T>
CKetrelScanArg MakeScanArg(const T& value)
{
    typedef typename std::decay<T>::type D;
    static_assert(IsScanTarget<T>::value,
                  "Scan fills only i32*, u32*, float* and CKetrelScanText{buffer, capacity}");
    CKetrelScanArg arg;
    arg.kind = CKetrelScanArg::kNone;
    arg.target = nullptr;
    arg.capacity = 0;
    if constexpr (std::is_same<D, i32*>::value || std::is_same<D, u32*>::value)
    {
        arg.kind = CKetrelScanArg::kInt;
        arg.target = value;
    }
    else if constexpr (std::is_same<D, float*>::value)
    {
        arg.kind = CKetrelScanArg::kFloat;
        arg.target = value;
    }
    else if constexpr (std::is_same<D, CKetrelScanText>::value)
    {
        arg.kind = CKetrelScanArg::kText;
        arg.target = value.buffer;
        arg.capacity = value.capacity;
    }
    return arg;
}
}
