// The options sheet "Options": a modal property sheet, COptions, with six
// pages, COptions1 to COptions6, each a thin window over one of the portable
// pages of options_pages.h: it shows the page's fields in its controls, reads
// them back and lets the page do the rest.
#pragma once

// commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <vector>

#include "player/window/options_pages.h"

namespace tumbor::window::win32 {

// A property page attached to its window, with the small helpers its controls need.
class COptionsPage {
public:
    virtual ~COptionsPage() = default;
    COptionsPage(const COptionsPage&) = delete;
    COptionsPage& operator=(const COptionsPage&) = delete;

    // The sheet's description of the page made from a dialog template.
    PROPSHEETPAGEW sheetPage(int templateId);

protected:
    explicit COptionsPage(OptionsContext& context) : context_(context) {}

    virtual void initialise() = 0;  // the controls show the page's fields
    virtual void activate() = 0;    // the page became the active one
    virtual void apply() = 0;       // OK or Apply: the fields from the controls, then the page's apply
    virtual void command(int id, int code) = 0;
    virtual void scrolled() { modified(); }

    // A control was changed by the user: the sheet's Apply button wakes up.
    void modified();
    // The controls' lines and texts are UTF-8, as the player keeps every text.
    void showList(int id, const std::vector<std::string>& lines, int selection);
    int listSelection(int id) const;
    void showCombo(int id, const std::vector<std::string>& lines, int selection);
    int comboSelection(int id) const;
    bool checked(int id) const;
    void setChecked(int id, bool on);
    std::string text(int id) const;
    void setText(int id, const std::string& text);
    void setSlider(int id, int minimum, int maximum, int tickEvery, int position);
    int slider(int id) const;

    OptionsContext& context_;
    HWND window_ = nullptr;
    bool showing_ = false;  // the page itself is setting its controls: nothing is modified

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// "Output": the wave device and the stream modules.
class COptions1 : public COptionsPage {
public:
    explicit COptions1(OptionsContext& context) : COptionsPage(context), page_(context) {}

private:
    void initialise() override {}
    void activate() override;
    void apply() override;
    void command(int id, int code) override;

    OutputPage page_;
};

// "Buffering": the buffer length slider.
class COptions2 : public COptionsPage {
public:
    explicit COptions2(OptionsContext& context) : COptionsPage(context), page_(context) {}

private:
    void initialise() override;
    void activate() override { page_.activate(); }
    void apply() override;
    void command(int id, int code) override;

    BufferingPage page_;
};

// "Plugins": the visualization plug-in, its module, start and priority.
class COptions3 : public COptionsPage {
public:
    explicit COptions3(OptionsContext& context) : COptionsPage(context), page_(context) {}

private:
    void initialise() override;
    void activate() override;
    void apply() override;
    void command(int id, int code) override;
    void showLists();
    void readControls();
    void folderChanged(const std::string& folder);

    PluginsPage page_;
};

// The Design and the Skins page: one template each, the same controls.
class CLookOptions : public COptionsPage {
protected:
    CLookOptions(OptionsContext& context, int look, const char* chooseTitle)
        : COptionsPage(context), page_(context, look), look_(look), chooseTitle_(chooseTitle) {}

private:
    void initialise() override;
    void activate() override;
    void apply() override;
    void command(int id, int code) override;
    void folderChanged(const std::string& folder);
    void showFields();

    LookPage page_;
    int look_;
    const char* chooseTitle_;
};

// "Design": design files.
class COptions4 : public CLookOptions {
public:
    explicit COptions4(OptionsContext& context)
        : CLookOptions(context, 0, "Choose folder for design files:") {}
};

// "General": playlist, window and minimising choices, and file types.
class COptions5 : public COptionsPage {
public:
    explicit COptions5(OptionsContext& context) : COptionsPage(context), page_(context) {}

private:
    void initialise() override;
    void activate() override { page_.activate(); }
    void apply() override;
    void command(int id, int code) override;

    GeneralPage page_;
};

// "Skins": classic skin folders.
class COptions6 : public CLookOptions {
public:
    explicit COptions6(OptionsContext& context) : CLookOptions(context, 1, "Choose folder for skin files:") {}
};

class COptions {
public:
    explicit COptions(OptionsContext& context)
        : output_(context),
          buffering_(context),
          plugins_(context),
          design_(context),
          skins_(context),
          general_(context) {}

    // Shows the sheet modally on a page (0 .. 5) until OK or Cancel.
    void run(HWND owner, int page);

private:
    COptions1 output_;
    COptions2 buffering_;
    COptions3 plugins_;
    COptions4 design_;
    COptions6 skins_;
    COptions5 general_;
};

}  // namespace tumbor::window::win32
