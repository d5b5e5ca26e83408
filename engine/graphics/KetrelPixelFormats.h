#pragma once
// Pixel access shared by the software drawing routines (internal to the graphics
// layer). Each format is a small value type with the same members, so the drawing
// loops are written once as templates and the format is chosen once per call.
#include "engine/KetrelTypes.h"

#include <cstring>

class CKetrelSurface;
class IKetrelApplication;
class IKetrelGraphicsContext;

namespace ketrelpx
{

inline u32 Red(u32 c) { return (c >> 16) & 0xFF; }
inline u32 Green(u32 c) { return (c >> 8) & 0xFF; }
inline u32 Blue(u32 c) { return c & 0xFF; }
inline u32 Alpha(u32 c) { return c >> 24; }
// Exchanges red and blue: 0xAARRGGBB <-> 0xAABBGGRR.
inline u32 SwapRB(u32 c) { return (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16); }
inline u32 Sat(u32 v) { return v > 255 ? 255 : v; }

// A tinted result x blended with the destination d by the tint's alpha A, per
// channel ((255 - A) x d + A x x) >> 8; A = 255 leaves x as it is.
inline void BlendByTintAlpha(u32 A, u32 dr, u32 dg, u32 db, u32& xr, u32& xg, u32& xb)
{
    if (A == 255)
        return;
    const u32 iA = 255 - A;
    xr = (iA * dr + A * xr) >> 8;
    xg = (iA * dg + A * xg) >> 8;
    xb = (iA * db + A * xb) >> 8;
}

// Index of the 4096-entry colour table for 8-bit channels.
inline u32 LookupIndex(u32 r, u32 g, u32 b) { return ((g & 0xF0) | (b >> 4) | (r >> 4) << 8) & 0xFFF; }

// Bytes per pixel of a format, 0 outside 1-7.
inline int BytesPerPixel(int format)
{
    static const int bpp[8] = {0, 1, 2, 2, 2, 3, 4, 4};
    return (format >= 1 && format <= 7) ? bpp[format] : 0;
}

// Mask for the average of two pixels ((S & M) >> 1) + ((D & M) >> 1).
inline u32 HalvingMask(int format)
{
    static const u32 masks[8] = {0, 0, 0x0eee, 0x7bde, 0xf7de, 0xfefefe, 0xfefefefe, 0xfefefefe};
    return (format >= 1 && format <= 7) ? masks[format] : 0;
}

// Bits of a raw pixel that take part in colour-key comparisons.
inline u32 KeyMask(int format) { return format >= 6 ? 0xFFFFFFu : 0xFFFFFFFFu; }

// Raw pixel load and store by bytes per pixel; 24-bit is R << 16 | G << 8 | B.
inline u32 LoadRaw(const u8* p, int bpp)
{
    switch (bpp)
    {
    case 1: return *p;
    case 2: { u16 v; std::memcpy(&v, p, 2); return v; }
    case 3: return (u32)p[0] << 16 | (u32)p[1] << 8 | p[2];
    default: { u32 v; std::memcpy(&v, p, 4); return v; }
    }
}
inline void StoreRaw(u8* p, int bpp, u32 v)
{
    switch (bpp)
    {
    case 1: *p = (u8)v; break;
    case 2: { u16 s = (u16)v; std::memcpy(p, &s, 2); break; }
    case 3: p[0] = (u8)(v >> 16); p[1] = (u8)(v >> 8); p[2] = (u8)v; break;
    default: std::memcpy(p, &v, 4); break;
    }
}

// Format types. Unpack gives 8-bit red, green and blue; Pack takes them back
// (for 32-bit formats without the alpha byte). The 32-bit type treats the word
// as 0xAARRGGBB: callers exchange red and blue of their colours for format 7.
struct PxIndex8
{
    enum { Bpp = 1 };
    const u32* palette;
    const u8* lookup;
    u32 Load(const u8* p) const { return *p; }
    void Store(u8* p, u32 v) const { *p = (u8)v; }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const
    {
        u32 c = palette ? palette[v & 0xFF] : 0;
        r = Red(c); g = Green(c); b = Blue(c);
    }
    u32 Pack(u32 r, u32 g, u32 b) const { return lookup ? lookup[LookupIndex(r, g, b)] : 0; }
};

struct Px444
{
    enum { Bpp = 2 };
    u32 Load(const u8* p) const { u16 v; std::memcpy(&v, p, 2); return v; }
    void Store(u8* p, u32 v) const { u16 s = (u16)v; std::memcpy(p, &s, 2); }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const
    {
        r = (v >> 4) & 0xF0; g = v & 0xF0; b = (v << 4) & 0xF0;
    }
    u32 Pack(u32 r, u32 g, u32 b) const { return (r >> 4) << 8 | (g & 0xF0) | b >> 4; }
};

struct Px555
{
    enum { Bpp = 2 };
    u32 Load(const u8* p) const { u16 v; std::memcpy(&v, p, 2); return v; }
    void Store(u8* p, u32 v) const { u16 s = (u16)v; std::memcpy(p, &s, 2); }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const
    {
        r = (v >> 7) & 0xF8; g = (v >> 2) & 0xF8; b = (v << 3) & 0xF8;
    }
    u32 Pack(u32 r, u32 g, u32 b) const { return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3; }
};

struct Px565
{
    enum { Bpp = 2 };
    u32 Load(const u8* p) const { u16 v; std::memcpy(&v, p, 2); return v; }
    void Store(u8* p, u32 v) const { u16 s = (u16)v; std::memcpy(p, &s, 2); }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const
    {
        r = (v >> 8) & 0xF8; g = (v >> 3) & 0xFC; b = (v & 31) << 3;
    }
    u32 Pack(u32 r, u32 g, u32 b) const { return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3; }
};

struct Px888
{
    enum { Bpp = 3 };
    u32 Load(const u8* p) const { return (u32)p[0] << 16 | (u32)p[1] << 8 | p[2]; }
    void Store(u8* p, u32 v) const { p[0] = (u8)(v >> 16); p[1] = (u8)(v >> 8); p[2] = (u8)v; }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const { r = Red(v); g = Green(v); b = Blue(v); }
    u32 Pack(u32 r, u32 g, u32 b) const { return r << 16 | g << 8 | b; }
};

struct Px8888
{
    enum { Bpp = 4 };
    u32 Load(const u8* p) const { u32 v; std::memcpy(&v, p, 4); return v; }
    void Store(u8* p, u32 v) const { std::memcpy(p, &v, 4); }
    void Unpack(u32 v, u32& r, u32& g, u32& b) const { r = Red(v); g = Green(v); b = Blue(v); }
    u32 Pack(u32 r, u32 g, u32 b) const { return r << 16 | g << 8 | b; }
};

// Calls f(px) with the format type of the given format (the palette and colour
// table are taken from the owner for format 1 only); 0 for a format outside 1-7
// (f is not called), else f's result.
template <class F>
inline int WithFormat(int format, IKetrelApplication* owner, F&& f);

// The owner application's palette and colour table (null without owner), its
// pixel format (0 without) and its drawing target and X display.
const u32* OwnerPalette(IKetrelApplication* owner);
const u8* OwnerColorLookup(IKetrelApplication* owner);
int OwnerPixelFormat(IKetrelApplication* owner);
void* OwnerDisplay(IKetrelApplication* owner);
::IKetrelGraphicsContext* OwnerGraphicsContext(IKetrelApplication* owner);

template <class F>
inline int WithFormat(int format, IKetrelApplication* owner, F&& f)
{
    switch (format)
    {
    case 1: { PxIndex8 px{OwnerPalette(owner), OwnerColorLookup(owner)}; return f(px); }
    case 2: return f(Px444());
    case 3: return f(Px555());
    case 4: return f(Px565());
    case 5: return f(Px888());
    case 6:
    case 7: return f(Px8888());
    default: return 0;
    }
}

} // namespace ketrelpx
