#pragma once
// framework/BrixTheme.h
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelString.h"
#include "engine/KetrelTypes.h"

class CBrixResourceManager;
class IKetrelApplication;

struct CBrixThemeColour
{
    CKetrelString name;
    u32 colour;                 // 0xAARRGGBB
};

// A named colour scheme with its own images: the media pack "brixtheme_<name>.vad"
// (user data folder first, then the program's folder), whose files join the resource
// manager's pool, and in it "theme_<name>.xml", whose colour definitions
//   <config type="color"> <color id="name" value="hex"/> ... </config>
// fill the colour table. Theme names may come from the server: a name that could not
// be a plain file name is refused. Main thread only.
class CBrixTheme
{
public:
    CBrixTheme();
    virtual ~CBrixTheme();                    // frees the colour records

    // Keeps app and resources (which receive the pack) and loads the pack of name.
    // KE_ERR_ARGUMENT for a refused name, else LoadThemePack's result.
    virtual int Init(IKetrelApplication* app, CBrixResourceManager* resources,
                     const CKetrelString& name);
    virtual void ClearColours();
    // Adds the pack and reads the theme's colours from its XML file. KE_OK;
    // KE_ERR_NOT_FOUND when the pack is in neither folder or holds no XML file;
    // KE_ERR_ARGUMENT for a refused pack name; 0 without a resource manager. The pack
    // stays in the resource manager after the theme is gone.
    virtual int LoadThemePack(const CKetrelString& packName);
    // A value below 0x10000000 (seven hex digits or fewer) gets the alpha 0xFF; the
    // colour replaces any earlier one of the same name.
    virtual void AddColour(const CBrixThemeColour& colour);
    // Exact name: 1 with *colour written, else 0 and *colour untouched.
    virtual int FindColour(const CKetrelString& name, u32* colour) const;
    virtual void GetXmlFileName(CKetrelString& out) const;    // "theme_<name>.xml"
    // MD5 (32 lower-case hex digits) of "brixtheme_<name>.vad" in the program's
    // folder; empty when that file does not open as a pack.
    virtual CKetrelString GetPackDigest() const;

    // Reads the colour definitions of a theme's XML text (need not end in 0) into the
    // table. The number of colours added; malformed text adds what it can.
    int AddColoursFromXml(const char* text, u32 length);

    const CKetrelString& GetName() const { return m_name; }
    i32 GetColourCount() const { return m_colours.GetCount(); }
    // In name order; null outside 0..count-1.
    const CBrixThemeColour* GetColourAt(i32 index) const { return ColourAt(index); }

private:
    CBrixTheme(const CBrixTheme&) = delete;
    CBrixTheme& operator=(const CBrixTheme&) = delete;

    CBrixThemeColour* ColourAt(i32 i) const
    { return static_cast<CBrixThemeColour*>(m_colours.GetAt(i)); }

    IKetrelApplication* m_app;          // not owned
    CBrixResourceManager* m_resources;  // not owned
    CKetrelString m_name;
    CKetrelPtrArray m_colours;          // CBrixThemeColour*, owned, sorted by name, unique
};
