#pragma once
// ui/WebView.h: the "web_view" kind. Documents may name it, but this toolkit has no
// web view: its element builds nothing and Cast never finds one.
#include "ui/Widget.h"

class CWebView : public CWidget
{
public:
    // Always null: no widget is a web view.
    static CWebView* Cast(CWidget*) { return nullptr; }
    static const CWidgetType& Kind() { return CWidgetType::WebView(); }

private:
    CWebView() = delete;
};
