#pragma once
// Shared pieces of the toolkit fuzz targets: resources that give no images, sounds, fonts or
// programs and serve one text as every file, a toolkit application over them, an engine
// application that does nothing, a widget tree walk and the reading of a source tree file.
// Header only: every fuzz/*.cpp is a target of its own.
#include "engine/KetrelApplication.h"
#include "engine/KetrelString.h"
#include "ui/UIServices.h"
#include "ui/Widget.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fuzzkit
{
// The text of a file of the source tree, by its path from the tree's top ("" when unreadable).
inline std::string ReadSourceFile(const std::string& relative)
{
    std::string here(__FILE__);
    here = here.substr(0, here.rfind('/'));
    std::ifstream f(here + "/../" + relative, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// A fresh private folder "<prefix>.XXXXXX/" (with the slash), or "/tmp/" when none can be made.
inline std::string MakeTempFolder(const std::string& prefix)
{
    std::vector<char> pattern(prefix.begin(), prefix.end());
    const char suffix[] = ".XXXXXX";
    pattern.insert(pattern.end(), suffix, suffix + sizeof suffix);
    const char* made = mkdtemp(pattern.data());
    return std::string(made ? made : "/tmp") + "/";
}

// Every widget of a tree, the root first.
inline void CollectWidgets(CWidget* w, std::vector<CWidget*>* out)
{
    out->push_back(w);
    for (i32 i = 0; i < w->GetChildCount(); ++i)
        CollectWidgets(w->GetChild(i), out);
}

class FuzzApplication : public IKetrelApplication
{
public:
    void OnFrame() override {}
};

// No images, sounds, fonts or programs; every file read gets `text` with a 0 byte after it
// (nothing when no text is set).
class NullResources : public IUIResourceManager
{
public:
    CKetrelSurface* GetImage(const CKetrelString&, u32) override { return nullptr; }
    void RegisterImage(const CKetrelString&, CKetrelSurface*) override {}
    int AddRefImage(CKetrelSurface*) override { return 0; }
    int ReleaseImage(CKetrelSurface**) override { return 0; }
    IKetrelSoundSource* GetSound(const CKetrelString&, u32, u32) override { return nullptr; }
    int ReleaseSound(IKetrelSoundSource**) override { return 0; }
    CKetrelBitmapFont* GetFont(const CKetrelString&) override { return nullptr; }
    int AddRefFont(CKetrelBitmapFont*) override { return 0; }
    int ReleaseFont(CKetrelBitmapFont**) override { return 0; }
    CKetrel3DProgram* FindShaderProgram(const CKetrelString&) override { return nullptr; }
    void RegisterShaderProgram(const CKetrelString&, CKetrel3DProgram*) override {}
    int ReleaseShaderProgram(CKetrel3DProgram**) override { return 0; }
    i32 ReadResource(const CKetrelString&, u8** data) override
    {
        *data = nullptr;
        if (!text)
            return 0;
        *data = new u8[text->size() + 1];
        std::memcpy(*data, text->data(), text->size());
        (*data)[text->size()] = 0;
        return (i32)text->size();
    }

    const std::string* text = nullptr;
};

// A toolkit application over its own resources; device, theme and language are what the
// target sets (none by default).
template <class Resources = NullResources>
class FuzzUI : public IUIApplication
{
public:
    IUIDevice* GetDevice() override { return device; }
    IUITheme* GetTheme() override { return theme; }
    IUILanguage* GetLanguage() override { return language; }
    IUIResourceManager* GetUIResources() override { return &resources; }
    IKetrelGraphicsContext* GetUIGraphicsContext() override { return nullptr; }
    i32 GetGameId() override { return gameId; }
    i32 GetReleaseId() override { return releaseId; }
    CKetrelString GetResellerId() override { return CKetrelString(); }
    CKetrelString GetSessionToken() override { return CKetrelString(); }
    CKetrelString GetApplicationCheck() override { return CKetrelString(); }

    Resources resources;
    IUIDevice* device = nullptr;
    IUITheme* theme = nullptr;
    IUILanguage* language = nullptr;
    i32 gameId = 64;
    i32 releaseId = 1;
};
}  // namespace fuzzkit
