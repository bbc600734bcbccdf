// The wizard's pages as Windows dialogs from setup.rc, and the progress page.
#pragma once

#include <windows.h>

#include "installer/setup_wizard.h"

namespace tumbor::installer::win32 {

class ProgressPage : public ProgressView {
public:
    ~ProgressPage() override { close(); }
    void open() override;
    void setPercent(int percent) override;
    void close() override;

private:
    HWND page_ = nullptr;
    int shown_ = 0;  // the bar's position
};

class DialogPages : public WizardPages {
public:
    int welcome() override;
    int install(const std::string& proposed, const std::function<bool(const std::string&)>& accept) override;
    void noEarlierInstallation() override;
    int update(const std::string& folder) override;
    int finish(FinishOptions& options) override;
    ProgressView& progress() override { return progress_; }

private:
    ProgressPage progress_;
};

}  // namespace tumbor::installer::win32
