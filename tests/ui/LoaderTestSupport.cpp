#include "LoaderTestSupport.h"

namespace uitest
{
int ActionLog::Record(void* argument, void* context)
{
    (void)argument;
    auto* entry = static_cast<std::pair<ActionLog*, std::string*>*>(context);
    entry->first->fired.push_back(*entry->second);
    return 1;
}

void LoadedTree::Action(const char* name)
{
    // The context pairs the log with the name; both live as long as the tree.
    names.emplace_back(new std::string(name));
    auto* entry = new std::pair<ActionLog*, std::string*>(&log, names.back().get());
    contexts.emplace_back(entry);
    actions.Register(CKetrelString(name), MakeUIActionCallback(&ActionLog::Record, entry), true);
}

CWidget* LoadedTree::Build(const std::string& text, i32 w, i32 h, CWidget* previous)
{
    CWidget* r = new CWidget();
    r->Init(&app, &app.resources, CKetrelRect(0, 0, w, h));
    r->SetName(CKetrelString("root"));
    CUIXMLLoader loader;
    loader.Init(&app, &actions, nullptr, r, nullptr, previous);
    if (loader.LoadFromMemory(text.data(), (i32)text.size()) == KE_OK)
        loader.LoadDocument(loader.GetRootElement());
    r->Broadcast();
    loader.Unload();
    if (root != previous)
        CWidget::Destroy(root);
    root = r;
    return r;
}
}  // namespace uitest
