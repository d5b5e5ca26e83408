#pragma once
// Helpers for the UI loader tests: an application whose resources serve images, and a
// one-call build of a document into a root of a chosen size.
#include "UITestDoubles.h"
#include "engine/KetrelResult.h"
#include "ui/UIActionMap.h"
#include "ui/UITimedSequence.h"
#include "ui/UIXMLLoader.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace uitest
{
// Resources that also serve images: any name is an image of 64 x 32 pixels, counted by
// reference and freed at the last release.
class ImageResources : public FakeResources
{
public:
    ~ImageResources() override;
    CKetrelSurface* GetImage(const CKetrelString& name, u32 flags) override;
    int AddRefImage(CKetrelSurface* image) override;
    int ReleaseImage(CKetrelSurface** slot) override;
    std::map<CKetrelSurface*, int> imageRefs;
    i32 imageWidth = 64, imageHeight = 32;
};

// The fake application (with its theme and language) whose resources serve images.
class ThemedApp : public FakeApp
{
public:
    IUIResourceManager* GetUIResources() override { return &resources; }
    ImageResources resources;   // in place of the plain fake's
};

// Records which actions fired, by name.
struct ActionLog
{
    std::vector<std::string> fired;
    static int Record(void* argument, void* context);
};

struct LoadedTree
{
    ThemedApp app;
    CUITimedSequenceList sequences;
    CUIActionMap actions;
    ActionLog log;
    std::vector<std::unique_ptr<std::string>> names;
    std::vector<std::unique_ptr<std::pair<ActionLog*, std::string*>>> contexts;
    CWidget* root = nullptr;

    LoadedTree() { actions.SetSequenceList(&sequences); }
    ~LoadedTree()
    {
        CWidget::Destroy(root);
        sequences.DeleteAll();
    }
    // Registers name (plain and "app:") as an action that logs its name.
    void Action(const char* name);
    // Builds text into a new root (0, 0, w, h) named "root"; previous (may be null) is
    // harvested. Returns the root.
    CWidget* Build(const std::string& text, i32 w = 800, i32 h = 480, CWidget* previous = nullptr);
    CWidget* Find(const char* path) { return root ? root->FindByPath(CKetrelString(path)) : nullptr; }
};
}  // namespace uitest
