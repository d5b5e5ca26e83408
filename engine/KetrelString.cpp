#include "engine/KetrelString.h"

#include "engine/KetrelFile.h"

#include <cstring>
#include <new>

namespace
{
const u16 kReplacementChar = 0xFFFD;
const int kNumberScratch = 256;

template <class T>
int SourceLength(const T* text)
{
    int n = 0;
    if (text)
        while (n < CKetrelString::MaxSourceLength && text[n] != 0)
            ++n;
    return n;
}

// size units, the last one 0; null when out of memory.
u16* NewUnits(int size)
{
    u16* buffer = new (std::nothrow) u16[size];
    if (buffer)
        buffer[size - 1] = 0;
    return buffer;
}

// One unit of a source text: a wide unit cut to 16 bits, a byte widened.
inline u16 SourceUnit(wchar_t c) { return (u16)c; }
inline u16 SourceUnit(char c) { return (u8)c; }

// A new buffer holding the length units of text and a 0; null when length is 0 or
// out of memory.
template <class T>
u16* NewUnitsFrom(const T* text, int length)
{
    if (length <= 0)
        return nullptr;
    u16* buffer = NewUnits(length + 1);
    if (buffer)
        for (int i = 0; i < length; ++i)
            buffer[i] = SourceUnit(text[i]);
    return buffer;
}

inline u16 LowerUnit(u16 c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xBF && c <= 0xD6))
        return (u16)(c + 32);
    return c;
}

inline u16 UpperUnit(u16 c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE1 && c <= 0xF6))
        return (u16)(c - 32);
    return c;
}

// -1, 0 or 1 for the texts x and y of lengths a and b, each unit passed through map
// first. Empty sorts first; the units are compared over the shorter size, terminators
// included, so a proper prefix meets its 0 first.
template <class Map>
int CompareMapped(const u16* x, int a, const u16* y, int b, Map map)
{
    if (a == 0 || b == 0)
        return a == b ? 0 : (a == 0 ? -1 : 1);
    const int n = (a < b ? a : b) + 1;
    for (int i = 0; i < n; ++i)
    {
        const u16 p = map(x[i]);
        const u16 q = map(y[i]);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return 0;
}

// Digits of value, most significant first, into out (at least 33 units); the count.
int UnsignedDigits(u32 value, int radix, u16* out)
{
    static const char kDigits[] = "0123456789abcdef";
    if (radix < 2 || radix > 16)
        radix = 10;
    u16 reversed[33];
    int n = 0;
    do
    {
        reversed[n++] = (u16)kDigits[value % (u32)radix];
        value /= (u32)radix;
    } while (value != 0);
    for (int i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    return n;
}

// Text of a float as FromFloat describes it, into out (kNumberScratch units); the count.
int FloatDigits(float value, int decimals, u16* out)
{
    u32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 31) != 0;
    const int exponentField = (int)((bits >> 23) & 0xFF);
    const u32 mantissaField = bits & 0x7FFFFF;
    int n = 0;

    if (exponentField == 0xFF)
    {
        const char* text = mantissaField ? "nan" : (negative ? "-inf" : "inf");
        while (*text)
            out[n++] = (u16)*text++;
        return n;
    }
    if (negative)
        out[n++] = '-';

    // Value = mantissa * 2^(exponent - 23); subnormals are far below the 24-bit
    // fraction and print as zero.
    const int exponent = exponentField - 127;
    const u32 mantissa = exponentField ? (mantissaField | 0x800000) : 0;
    unsigned __int128 integerPart = 0;
    u32 fraction = 0;   // 24 fractional bits
    if (exponentField != 0)
    {
        if (exponent >= 23)
            integerPart = (unsigned __int128)mantissa << (exponent - 23);
        else if (exponent >= 0)
        {
            integerPart = mantissa >> (23 - exponent);
            fraction = (mantissa << (exponent + 1)) & 0xFFFFFF;
        }
        else if (exponent >= -25)
            fraction = (mantissa << 1) >> (-exponent);
    }

    u16 reversed[48];
    int digits = 0;
    do
    {
        reversed[digits++] = (u16)('0' + (int)(integerPart % 10));
        integerPart /= 10;
    } while (integerPart != 0);
    while (digits > 0)
        out[n++] = reversed[--digits];

    if (decimals > 200)
        decimals = 200;
    if (decimals > 0)
    {
        out[n++] = '.';
        if (fraction == 0)
            out[n++] = '0';
        else
            for (int i = 0; i < decimals; ++i)
            {
                fraction *= 10;
                out[n++] = (u16)('0' + (fraction >> 24));
                fraction &= 0xFFFFFF;
            }
    }
    return n;
}

// Growable scratch for the formatter: 512 units on the stack, then heap steps of 512.
class FormatOutput
{
public:
    FormatOutput() : m_data(m_local), m_count(0), m_capacity(512), m_failed(false) {}
    ~FormatOutput()
    {
        if (m_data != m_local)
            delete[] m_data;
    }
    void Put(u16 c)
    {
        if (m_count == m_capacity && !Grow())
            return;
        m_data[m_count++] = c;
    }
    void Put(const u16* units, int n)
    {
        for (int i = 0; i < n; ++i)
            Put(units[i]);
    }
    const u16* Data() const { return m_data; }
    int Count() const { return m_count; }
    bool Failed() const { return m_failed; }

private:
    bool Grow()
    {
        if (m_failed)
            return false;
        u16* data = new (std::nothrow) u16[(size_t)m_capacity + 512];
        if (!data)
        {
            m_failed = true;
            return false;
        }
        std::memcpy(data, m_data, (size_t)m_count * sizeof(u16));
        if (m_data != m_local)
            delete[] m_data;
        m_data = data;
        m_capacity += 512;
        return true;
    }

    u16 m_local[512];
    u16* m_data;
    int m_count;
    int m_capacity;
    bool m_failed;
};

// A wide format narrowed to 16-bit units: on the stack when short, else on the heap.
class NarrowedFormat
{
public:
    NarrowedFormat(const wchar_t* text, int length) : m_units(m_local)
    {
        if (length >= (int)(sizeof m_local / sizeof *m_local))
            m_units = new (std::nothrow) u16[(size_t)length + 1];
        if (m_units)
        {
            for (int i = 0; i < length; ++i)
                m_units[i] = (u16)text[i];
            m_units[length] = 0;
        }
    }
    ~NarrowedFormat()
    {
        if (m_units != m_local)
            delete[] m_units;
    }
    NarrowedFormat(const NarrowedFormat&) = delete;
    NarrowedFormat& operator=(const NarrowedFormat&) = delete;
    const u16* Units() const { return m_units; }   // null when out of memory

private:
    u16 m_local[256];
    u16* m_units;
};

inline bool IsDigit(u16 c) { return c >= '0' && c <= '9'; }

inline int HexValue(u16 c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}

// ---- construction and assignment ----

CKetrelString::CKetrelString(const CKetrelString& other) : m_buffer(nullptr), m_size(0)
{
    AssignUnits(other.GetBuffer(), other.GetLength());
}

CKetrelString::CKetrelString(CKetrelString&& other) noexcept : m_buffer(other.m_buffer), m_size(other.m_size)
{
    other.m_buffer = nullptr;
    other.m_size = 0;
}

CKetrelString::CKetrelString(const CKetrelString* other) : m_buffer(nullptr), m_size(0)
{
    if (other)
        AssignUnits(other->GetBuffer(), other->GetLength());
}

CKetrelString::CKetrelString(const wchar_t* text) : m_buffer(nullptr), m_size(0) { Assign(text); }
CKetrelString::CKetrelString(const char* text) : m_buffer(nullptr), m_size(0) { Assign(text); }
CKetrelString::CKetrelString(const u16* text) : m_buffer(nullptr), m_size(0) { Assign(text); }

CKetrelString::CKetrelString(const CKetrelString& source, int start, int count) : m_buffer(nullptr), m_size(0)
{
    const int length = source.GetLength();
    if (start < 0)
        start = 0;
    if (start >= length)
        return;
    if (count < 0 || count > length - start)
        count = length - start;
    AssignUnits(source.GetBuffer() + start, count);
}

CKetrelString::~CKetrelString() { delete[] m_buffer; }

CKetrelString& CKetrelString::operator=(CKetrelString&& other) noexcept
{
    if (this != &other)
    {
        delete[] m_buffer;
        m_buffer = other.m_buffer;
        m_size = other.m_size;
        other.m_buffer = nullptr;
        other.m_size = 0;
    }
    return *this;
}

void CKetrelString::Adopt(u16* buffer, i32 size)
{
    delete[] m_buffer;
    m_buffer = buffer;
    m_size = buffer ? size : 0;
}

void CKetrelString::AssignUnits(const u16* units, int length)
{
    if (!units || length <= 0)
    {
        Adopt(nullptr, 0);
        return;
    }
    u16* buffer = NewUnits(length + 1);
    if (buffer)
        std::memcpy(buffer, units, (size_t)length * sizeof(u16));
    Adopt(buffer, length + 1);
}

void CKetrelString::Assign(const CKetrelString& other)
{
    if (this != &other)
        AssignUnits(other.GetBuffer(), other.GetLength());
}

void CKetrelString::Assign(const wchar_t* text)
{
    const int length = SourceLength(text);
    Adopt(NewUnitsFrom(text, length), length + 1);
}

void CKetrelString::Assign(const char* text)
{
    const int length = SourceLength(text);
    Adopt(NewUnitsFrom(text, length), length + 1);
}

void CKetrelString::Assign(const u16* text)
{
    // The source may lie inside this string's own buffer: copy before freeing.
    AssignUnits(text, SourceLength(text));
}

u16* CKetrelString::AllocBuffer(int size)
{
    if (size <= 1)
    {
        Adopt(nullptr, 0);
        return nullptr;
    }
    u16* buffer = NewUnits(size);
    if (buffer)
        std::memset(buffer, 0, (size_t)size * sizeof(u16));
    Adopt(buffer, size);
    return buffer;
}

void CKetrelString::Clear() { Adopt(nullptr, 0); }

void CKetrelString::SetAt(int index, u16 ch)
{
    if (index >= 0 && index < GetLength())
        m_buffer[index] = ch;
}

u16 CKetrelString::GetAt(int index) const
{
    return (index >= 0 && index < GetLength()) ? m_buffer[index] : 0;
}

// ---- comparison and search ----

int CKetrelString::Compare(const CKetrelString& other) const
{
    return CompareMapped(m_buffer, GetLength(), other.m_buffer, other.GetLength(),
                         [](u16 c) { return c; });
}

int CKetrelString::CompareNoCase(const CKetrelString& other) const
{
    return CompareMapped(m_buffer, GetLength(), other.m_buffer, other.GetLength(), LowerUnit);
}

int CKetrelString::Find(u16 ch, int start) const
{
    const int length = GetLength();
    if (start < 0)
        start = 0;
    for (int i = start; i < length; ++i)
        if (m_buffer[i] == ch)
            return i;
    return -1;
}

int CKetrelString::ReverseFind(u16 ch, int start) const
{
    const int length = GetLength();
    if (length == 0 || start < -1 || start > length)
        return -1;
    if (start == -1 || start >= length)
        start = length - 1;
    for (int i = start; i >= 0; --i)
        if (m_buffer[i] == ch)
            return i;
    return -1;
}

int CKetrelString::Find(const CKetrelString& sub, int start) const
{
    const int length = GetLength();
    const int subLength = sub.GetLength();
    if (length == 0 || subLength == 0 || subLength > length || start > length)
        return -1;
    if (start < 0)
        start = 0;
    const u16* s = sub.m_buffer;
    for (int p = start; p + subLength <= length; ++p)
        if (m_buffer[p] == s[0] && std::memcmp(m_buffer + p, s, (size_t)subLength * sizeof(u16)) == 0)
            return p;
    return -1;
}

int CKetrelString::StartsWith(const CKetrelString& sub) const
{
    const int subLength = sub.GetLength();
    if (subLength == 0 || subLength > GetLength())
        return 0;
    return std::memcmp(m_buffer, sub.m_buffer, (size_t)subLength * sizeof(u16)) == 0 ? 1 : 0;
}

// ---- changes ----

void CKetrelString::Append(const CKetrelString& other)
{
    const int a = GetLength();
    const int b = other.GetLength();
    if (b == 0)
        return;
    if (a == 0)
    {
        AssignUnits(other.m_buffer, b);
        return;
    }
    u16* buffer = NewUnits(a + b + 1);
    if (buffer)
    {
        std::memcpy(buffer, m_buffer, (size_t)a * sizeof(u16));
        std::memcpy(buffer + a, other.m_buffer, (size_t)b * sizeof(u16));
    }
    Adopt(buffer, a + b + 1);
}

void CKetrelString::Append(u16 ch)
{
    const int a = GetLength();
    u16* buffer = NewUnits(a + 2);
    if (buffer)
    {
        if (a > 0)
            std::memcpy(buffer, m_buffer, (size_t)a * sizeof(u16));
        buffer[a] = ch;
    }
    Adopt(buffer, a + 2);
}

void CKetrelString::SetLength(int n)
{
    if (n <= 0)
    {
        Adopt(nullptr, 0);
        return;
    }
    const int a = GetLength();
    u16* buffer = NewUnits(n + 1);
    if (buffer)
    {
        const int keep = a < n ? a : n;
        if (keep > 0)
            std::memcpy(buffer, m_buffer, (size_t)keep * sizeof(u16));
        for (int i = keep; i < n; ++i)
            buffer[i] = ' ';
    }
    Adopt(buffer, n + 1);
}

int CKetrelString::Replace(const CKetrelString& find, const CKetrelString& with)
{
    const int index = Find(find, 0);
    if (index < 0)
        return -1;
    const int length = GetLength();
    const int findLength = find.GetLength();
    const int withLength = with.GetLength();
    const int newLength = length - findLength + withLength;
    if (newLength == 0)
    {
        Adopt(nullptr, 0);
        return index;
    }
    u16* buffer = NewUnits(newLength + 1);
    if (buffer)
    {
        std::memcpy(buffer, m_buffer, (size_t)index * sizeof(u16));
        if (withLength > 0)
            std::memcpy(buffer + index, with.m_buffer, (size_t)withLength * sizeof(u16));
        std::memcpy(buffer + index + withLength, m_buffer + index + findLength,
                    (size_t)(length - index - findLength) * sizeof(u16));
    }
    Adopt(buffer, newLength + 1);
    return index;
}

int CKetrelString::ReplaceAll(const CKetrelString& find, const CKetrelString& with)
{
    if (find.Compare(with) == 0)
        return 0;
    // Private copies: find or with may be this very string.
    const CKetrelString f(find);
    const CKetrelString w(with);
    int count = 0;
    if (w.Find(f, 0) < 0)
    {
        while (Replace(f, w) >= 0)
            ++count;
        return count;
    }
    // with contains find: searching from the start again would find the inserted text
    // for ever, so go on after it.
    const int findLength = f.GetLength();
    const int withLength = w.GetLength();
    int from = 0;
    for (;;)
    {
        const int index = Find(f, from);
        if (index < 0)
            break;
        const int length = GetLength();
        const int newLength = length - findLength + withLength;
        u16* buffer = NewUnits(newLength + 1);
        if (!buffer)
        {
            Adopt(nullptr, 0);
            break;
        }
        std::memcpy(buffer, m_buffer, (size_t)index * sizeof(u16));
        std::memcpy(buffer + index, w.m_buffer, (size_t)withLength * sizeof(u16));
        std::memcpy(buffer + index + withLength, m_buffer + index + findLength,
                    (size_t)(length - index - findLength) * sizeof(u16));
        Adopt(buffer, newLength + 1);
        ++count;
        from = index + withLength;
    }
    return count;
}

void CKetrelString::MakeLower()
{
    const int length = GetLength();
    for (int i = 0; i < length; ++i)
        m_buffer[i] = LowerUnit(m_buffer[i]);
}

void CKetrelString::MakeUpper()
{
    const int length = GetLength();
    for (int i = 0; i < length; ++i)
        m_buffer[i] = UpperUnit(m_buffer[i]);
}

// ---- numbers ----

void CKetrelString::FromUnsigned(u32 value, int radix)
{
    u16 digits[40];
    AssignUnits(digits, UnsignedDigits(value, radix, digits));
}

void CKetrelString::FromInt(i32 value, int radix)
{
    u16 digits[40];
    int n = 0;
    u32 magnitude = (u32)value;
    if (value < 0)
    {
        digits[n++] = '-';
        magnitude = 0u - magnitude;
    }
    n += UnsignedDigits(magnitude, radix, digits + n);
    AssignUnits(digits, n);
}

void CKetrelString::FromFloat(float value, int decimals)
{
    u16 digits[kNumberScratch];
    AssignUnits(digits, FloatDigits(value, decimals, digits));
}

// ---- formatting ----

void CKetrelString::FormatArgs(const wchar_t* format, const CKetrelFormatArg* args, int count)
{
    if (!format)
        return;
    const int length = SourceLength(format);
    const NarrowedFormat units(format, length);
    if (!units.Units())
    {
        Adopt(nullptr, 0);
        return;
    }
    FormatUnits(units.Units(), length, args, count);
}

void CKetrelString::FormatArgs(const u16* format, const CKetrelFormatArg* args, int count)
{
    if (!format)
        return;
    FormatUnits(format, SourceLength(format), args, count);
}

int CKetrelString::FormatUnits(const u16* format, int formatLength, const CKetrelFormatArg* args, int count)
{
    FormatOutput out;
    u16 scratch[kNumberScratch];
    int next = 0;            // next argument
    int precision = 9;       // of the next %f
    int width = 0;
    u16 pad = ' ';

    for (int i = 0; i < formatLength; ++i)
    {
        const u16 c = format[i];
        if (c != '%')
        {
            out.Put(c);
            continue;
        }
        if (++i >= formatLength)
            break;   // a lone '%' at the end ends the text

        // One modifier at most.
        u16 m = format[i];
        if (m == 'l')
        {
            if (++i >= formatLength)
                break;
        }
        else if (m == '.')
        {
            if (i + 1 < formatLength && IsDigit(format[i + 1]))
            {
                precision = format[i + 1] - '0';
                ++i;
            }
            if (++i >= formatLength)
                break;
        }
        else if (IsDigit(m))
        {
            if (i + 1 < formatLength && IsDigit(format[i + 1]))
            {
                pad = m;
                width = format[i + 1] - '0';
                i += 2;
            }
            else
            {
                pad = ' ';
                width = m - '0';
                ++i;
            }
            if (i >= formatLength)
                break;
        }

        const u16 conversion = format[i];
        const CKetrelFormatArg* arg = nullptr;
        int n = -1;   // units in scratch to pad and print; -1 prints nothing
        switch (conversion)
        {
        case '%':
            out.Put('%');
            break;
        case 'd':
        case 'u':
            arg = next < count ? &args[next++] : nullptr;
            if (arg && arg->kind == CKetrelFormatArg::kInteger)
            {
                const i32 value = (i32)(u32)arg->integer;
                u32 magnitude = (u32)value;
                n = 0;
                if (value < 0)
                {
                    scratch[n++] = '-';
                    magnitude = 0u - magnitude;
                }
                n += UnsignedDigits(magnitude, 10, scratch + n);
            }
            break;
        case 'x':
        case 'X':
            arg = next < count ? &args[next++] : nullptr;
            if (arg && (arg->kind == CKetrelFormatArg::kInteger || arg->kind == CKetrelFormatArg::kPointer))
            {
                n = UnsignedDigits((u32)arg->integer, 16, scratch);
                if (conversion == 'X')
                    for (int k = 0; k < n; ++k)
                        scratch[k] = UpperUnit(scratch[k]);
            }
            break;
        case 's':
        case 'S':
            arg = next < count ? &args[next++] : nullptr;
            if (arg && arg->kind == CKetrelFormatArg::kText16 && arg->text16)
                out.Put(arg->text16, SourceLength(arg->text16));
            else if (arg && arg->kind == CKetrelFormatArg::kTextWide && arg->textWide)
            {
                const int length = SourceLength(arg->textWide);
                for (int k = 0; k < length; ++k)
                    out.Put((u16)arg->textWide[k]);
            }
            else if (arg && arg->kind == CKetrelFormatArg::kText8 && arg->text8)
            {
                const int length = SourceLength(arg->text8);
                for (int k = 0; k < length; ++k)
                    out.Put((u8)arg->text8[k]);
            }
            break;
        case 'f':
            arg = next < count ? &args[next++] : nullptr;
            if (arg && arg->kind == CKetrelFormatArg::kFloat)
            {
                // Doubles beyond the float range become infinities, as a float would.
                f64 real = arg->real;
                float value;
                if (real > 3.4028234663852886e38)
                    value = __builtin_inff();
                else if (real < -3.4028234663852886e38)
                    value = -__builtin_inff();
                else
                    value = (float)real;
                out.Put(scratch, FloatDigits(value, precision, scratch));
            }
            precision = 9;
            break;
        default:
            break;   // unknown conversion: nothing printed, no argument taken
        }
        if (n >= 0)
        {
            for (int k = n; k < width; ++k)
                out.Put(pad);
            out.Put(scratch, n);
        }
        width = 0;
        pad = ' ';
    }

    if (out.Failed())
    {
        Adopt(nullptr, 0);
        return 0;
    }
    AssignUnits(out.Data(), out.Count());
    return out.Count();
}

// ---- reading fields ----

int CKetrelString::ScanArgs(const wchar_t* format, const CKetrelScanArg* args, int count) const
{
    if (!format)
        return 0;
    const int length = SourceLength(format);
    const NarrowedFormat units(format, length);
    if (!units.Units())
        return 0;
    return ScanUnits(units.Units(), length, args, count);
}

int CKetrelString::ScanArgs(const u16* format, const CKetrelScanArg* args, int count) const
{
    if (!format)
        return 0;
    return ScanUnits(format, SourceLength(format), args, count);
}

int CKetrelString::ScanUnits(const u16* format, int formatLength, const CKetrelScanArg* args, int count) const
{
    const u16* text = m_buffer;
    const int length = GetLength();
    int pos = 0;
    int next = 0;
    int stored = 0;
    int i = 0;

    while (pos < length && i < formatLength)
    {
        const u16 c = format[i++];
        if (c != '%')
        {
            if (c > ' ')
            {
                for (int p = pos; p < length; ++p)
                    if (text[p] == c)
                    {
                        pos = p + 1;
                        break;
                    }
            }
            continue;
        }
        if (i >= formatLength)
            break;
        const u16 conversion = format[i++];
        if (conversion != 'd' && conversion != 'x' && conversion != 'f' && conversion != 's')
            continue;   // other letters take no argument and read nothing

        while (pos < length && text[pos] <= ' ')
            ++pos;
        if (pos >= length)
            break;

        const CKetrelScanArg* arg = next < count ? &args[next++] : nullptr;
        if (!arg || !arg->target)
            continue;
        if (conversion == 's')
        {
            if (arg->kind != CKetrelScanArg::kText)
                continue;
            // The field ends at the format character after "%s", which is used up.
            int end = length;
            if (i < formatLength && format[i] != '%')
            {
                const u16 stop = format[i++];
                end = pos;
                while (end < length && text[end] != stop)
                    ++end;
            }
            if (arg->capacity < 1)
            {
                pos = end;
                continue;
            }
            u16* buffer = static_cast<u16*>(arg->target);
            int copy = end - pos;
            if (copy > arg->capacity - 1)
                copy = arg->capacity - 1;
            std::memcpy(buffer, text + pos, (size_t)copy * sizeof(u16));
            buffer[copy] = 0;
            pos = end;
            ++stored;
        }
        else if (conversion == 'x')
        {
            if (arg->kind != CKetrelScanArg::kInt)
                continue;
            u32 value = 0;
            int digit;
            while (pos < length && (digit = HexValue(text[pos])) >= 0)
            {
                value = (value << 4) | (u32)digit;
                ++pos;
            }
            std::memcpy(arg->target, &value, sizeof value);
            ++stored;
        }
        else
        {
            if ((conversion == 'd' && arg->kind != CKetrelScanArg::kInt) ||
                (conversion == 'f' && arg->kind != CKetrelScanArg::kFloat))
                continue;
            bool negative = false;
            while (pos < length && !IsDigit(text[pos]))
            {
                if (text[pos] == '-')
                    negative = true;
                ++pos;
            }
            if (conversion == 'd')
            {
                // Saturates at 2^31 so both ends of the i32 range are reachable.
                u32 magnitude = 0;
                while (pos < length && IsDigit(text[pos]))
                {
                    const u32 digit = (u32)(text[pos] - '0');
                    magnitude = magnitude > (0x80000000u - digit) / 10 ? 0x80000000u : magnitude * 10 + digit;
                    ++pos;
                }
                i32 value;
                if (negative)
                    value = magnitude >= 0x80000000u ? (i32)(-2147483647 - 1) : -(i32)magnitude;
                else
                    value = magnitude >= 0x80000000u ? 2147483647 : (i32)magnitude;
                std::memcpy(arg->target, &value, sizeof value);
            }
            else
            {
                f64 value = 0.0;
                f64 weight = 0.1;   // of the next decimal; it may fall to 0 on long runs
                bool decimals = false;
                while (pos < length)
                {
                    const u16 d = text[pos];
                    if (IsDigit(d))
                    {
                        if (!decimals)
                            value = value * 10.0 + (d - '0');
                        else
                        {
                            value += weight * (d - '0');
                            weight *= 0.1;
                        }
                    }
                    else if ((d == '.' || d == ',') && !decimals)
                        decimals = true;
                    else
                        break;
                    ++pos;
                }
                // Beyond the float range: infinity, never an out-of-range conversion.
                float result = value > 3.4028234663852886e38 ? __builtin_inff() : (float)value;
                if (negative)
                    result = -result;
                std::memcpy(arg->target, &result, sizeof result);
            }
            ++stored;
        }
        if (pos >= length)
            break;
    }
    return stored;
}

// ---- 8-bit, UTF-8 and streams ----

int CKetrelString::ToNarrow(char* out) const
{
    const int length = GetLength();
    if (length == 0)
    {
        if (out)
            out[0] = 0;
        return 0;
    }
    if (out)
    {
        for (int i = 0; i < length; ++i)
            out[i] = (char)(u8)m_buffer[i];
        out[length] = 0;
    }
    return length + 1;
}

int CKetrelString::ToUTF8(char* out) const
{
    const int length = GetLength();
    int n = 0;
    for (int i = 0; i < length; ++i)
    {
        const u16 u = m_buffer[i];
        if (u < 0x80)
        {
            if (out)
                out[n] = (char)u;
            n += 1;
        }
        else if (u < 0x800)
        {
            if (out)
            {
                out[n] = (char)(0xC0 | (u >> 6));
                out[n + 1] = (char)(0x80 | (u & 0x3F));
            }
            n += 2;
        }
        else
        {
            if (out)
            {
                out[n] = (char)(0xE0 | (u >> 12));
                out[n + 1] = (char)(0x80 | ((u >> 6) & 0x3F));
                out[n + 2] = (char)(0x80 | (u & 0x3F));
            }
            n += 3;
        }
    }
    if (out)
        out[n] = 0;
    return n + 1;
}

void CKetrelString::FromUTF8(const char* utf8, int maxBytes)
{
    if (!utf8 || maxBytes == 0 || maxBytes < -1)
    {
        Adopt(nullptr, 0);
        return;
    }
    const u8* bytes = reinterpret_cast<const u8*>(utf8);
    // Every unit comes from at least one byte, so the output never outgrows the input.
    size_t limit = 0;
    if (maxBytes < 0)
        limit = std::strlen(utf8);
    else
        while (limit < (size_t)maxBytes && bytes[limit] != 0)
            ++limit;
    if (limit == 0)
    {
        Adopt(nullptr, 0);
        return;
    }
    if (limit > 0x7FFFFFF0u)
        limit = 0x7FFFFFF0u;
    u16* buffer = NewUnits((int)limit + 1);
    if (!buffer)
    {
        Adopt(nullptr, 0);
        return;
    }

    size_t pos = 0;
    int n = 0;
    while (pos < limit)
    {
        const u8 lead = bytes[pos];
        if (lead < 0x80)
        {
            buffer[n++] = lead;
            ++pos;
            continue;
        }
        // Lengths and the allowed range of the second byte, as RFC 3629 has them:
        // overlong forms and surrogates fail on the second byte.
        int need;
        u8 low = 0x80, high = 0xBF;
        u32 value;
        if (lead >= 0xC2 && lead <= 0xDF)
        {
            need = 1;
            value = lead & 0x1F;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            need = 2;
            value = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            need = 3;
            value = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        else
        {
            buffer[n++] = kReplacementChar;
            ++pos;
            continue;
        }
        ++pos;
        int got = 0;
        while (got < need && pos < limit)
        {
            const u8 b = bytes[pos];
            if (b < low || b > high)
                break;
            value = (value << 6) | (b & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++pos;
            ++got;
        }
        // A broken sequence gives one U+FFFD for the bytes taken; the byte that broke
        // it starts the next character. Characters beyond 16 bits have no unit here.
        buffer[n++] = (got == need && need < 3) ? (u16)value : kReplacementChar;
    }
    if (n == 0)
    {
        delete[] buffer;
        Adopt(nullptr, 0);
        return;
    }
    // Usually shorter than the bytes: keep the exact size.
    if (n == (int)limit)
    {
        buffer[n] = 0;
        Adopt(buffer, n + 1);
    }
    else
    {
        CKetrelString exact;
        exact.AssignUnits(buffer, n);
        delete[] buffer;
        *this = static_cast<CKetrelString&&>(exact);
    }
}

int CKetrelString::WriteTo(CKetrelFile* file) const
{
    if (!file)
        return 0;
    const u32 length = (u32)GetLength();
    u8 header[4] = {(u8)length, (u8)(length >> 8), (u8)(length >> 16), (u8)(length >> 24)};
    int written = (int)file->Write(header, 4);
    if (written != 4 || length == 0)
        return written;
    // Units in little-endian order.
    u8 chunk[512];
    u32 done = 0;
    while (done < length)
    {
        u32 n = length - done;
        if (n > sizeof chunk / 2)
            n = sizeof chunk / 2;
        for (u32 k = 0; k < n; ++k)
        {
            chunk[2 * k] = (u8)m_buffer[done + k];
            chunk[2 * k + 1] = (u8)(m_buffer[done + k] >> 8);
        }
        const u32 w = file->Write(chunk, 2 * n);
        written += (int)w;
        if (w != 2 * n)
            break;
        done += n;
    }
    return written;
}

int CKetrelString::ReadFrom(CKetrelFile* file)
{
    if (!file)
        return 0;
    const i32 start = file->GetPosition();
    u8 header[4];
    if (file->Read(header, 4) != 4)
    {
        file->Seek(start, 0);
        Clear();
        return 0;
    }
    const u32 length = (u32)header[0] | ((u32)header[1] << 8) | ((u32)header[2] << 16) | ((u32)header[3] << 24);
    const i32 size = file->GetSize();
    const i32 position = file->GetPosition();
    const u32 remaining = (size > position) ? (u32)(size - position) : 0;
    if (length > remaining / 2)
    {
        file->Seek(start, 0);
        Clear();
        return 0;
    }
    if (length == 0)
    {
        Clear();
        return 4;
    }
    u16* buffer = NewUnits((int)length + 1);
    if (!buffer)
    {
        file->Seek(start, 0);
        Clear();
        return 0;
    }
    u8 chunk[512];
    u32 done = 0;
    while (done < length)
    {
        u32 n = length - done;
        if (n > sizeof chunk / 2)
            n = sizeof chunk / 2;
        if (file->Read(chunk, 2 * n) != 2 * n)
        {
            delete[] buffer;
            file->Seek(start, 0);
            Clear();
            return 0;
        }
        for (u32 k = 0; k < n; ++k)
            buffer[done + k] = (u16)(chunk[2 * k] | (chunk[2 * k + 1] << 8));
        done += n;
    }
    Adopt(buffer, (i32)length + 1);
    return 4 + 2 * (int)length;
}
