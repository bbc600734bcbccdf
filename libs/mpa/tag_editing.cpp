// The editor works on its own copy of the tag: the dialog is modal, and the
// player may open another file (which replaces the shared record) while it is
// shown; the copy keeps that file's tag out of the one being edited.
#include "libs/mpa/tag_editing.h"

#include "libs/mpa/id3v1_file.h"
#include "libs/mpa/id3v2_tag.h"
#include "libs/mpa/mpa_dialogs.h"

namespace tumbor {

TagEditOutcome editFileTag(const std::string& path, void* owner, void* libraryInstance, SharedTag& shared) {
    if (!isMpegFileName(path)) return TagEditOutcome::notHandled;
    SharedTag edited = shared;
    TagReadResult read = readTagFile(path, edited.record);
    if (!read.readable) return TagEditOutcome::notHandled;
    edited.present = read.present;
    // The editor writes only the ID3v1 tag; the title falls back on this.
    edited.id3v2Title = titleFromFrontTagsOfFile(path);
    shared = edited;
    if (!edited.present) edited.record = emptyTag();

    TagFields fields = fieldsFromTag(edited.record);
    if (!showTagEditor(owner, libraryInstance, fields)) return TagEditOutcome::cancelled;
    storeFields(fields, edited.record);

    switch (writeTagFile(path, edited.record)) {
        case TagWriteResult::failed:
            return TagEditOutcome::writeFailed;
        case TagWriteResult::written:
            edited.present = true;
            break;
        case TagWriteResult::cannotOpen:
            break;
    }
    shared = edited;
    return TagEditOutcome::saved;
}

}  // namespace tumbor
