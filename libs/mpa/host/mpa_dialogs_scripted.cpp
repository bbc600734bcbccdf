// Dialogs that run a test's script instead of showing a window.
#include "libs/mpa/host/mpa_dialogs_script.h"

namespace tumbor {
namespace {

std::function<bool(MpaSettings&)> configScript;
std::function<bool(TagFields&)> tagScript;
void* tagEditorOwner = nullptr;

}  // namespace

void scriptConfigDialog(std::function<bool(MpaSettings&)> script) { configScript = std::move(script); }
void scriptTagEditor(std::function<bool(TagFields&)> script) { tagScript = std::move(script); }
void* lastTagEditorOwner() { return tagEditorOwner; }

bool showConfigDialog(void*, MpaSettings& settings) { return configScript && configScript(settings); }

bool showTagEditor(void* owner, void*, TagFields& fields) {
    tagEditorOwner = owner;
    return tagScript && tagScript(fields);
}

}  // namespace tumbor
