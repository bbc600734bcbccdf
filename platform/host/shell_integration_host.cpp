// The native build has no shell: its registry and tray only record.
#include "platform/recorded_shell_integration.h"

namespace platform {

std::unique_ptr<FileTypeRegistry> openFileTypeRegistry() {
    return std::make_unique<RecordedFileTypeRegistry>();
}

std::unique_ptr<TrayArea> createTrayArea(void*, unsigned) { return std::make_unique<RecordedTrayArea>(); }

}  // namespace platform
