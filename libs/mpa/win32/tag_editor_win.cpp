// The "ID3 TAG Editor" dialog: five edits and the genre list.
#include <windows.h>

#include <string>

#include "libs/mpa/mpa_control_ids.h"
#include "libs/mpa/mpa_dialogs.h"
#include "libs/common/win32/dialog_support_win.h"

namespace tumbor {
namespace {

struct TagEditor {
    TagFields fields;
};

struct EditField {
    int control;
    std::string TagFields::*text;
    int limit;  // characters the tag field holds
};

const EditField kEditFields[] = {{IDC_TAG_TITLE, &TagFields::title, 30},
                                 {IDC_TAG_ARTIST, &TagFields::artist, 30},
                                 {IDC_TAG_ALBUM, &TagFields::album, 30},
                                 {IDC_TAG_YEAR, &TagFields::year, 4},
                                 {IDC_TAG_COMMENT, &TagFields::comment, 30}};

void fillDialog(HWND dialog, const TagFields& fields) {
    for (const EditField& edit : kEditFields) {
        SendDlgItemMessageA(dialog, edit.control, EM_LIMITTEXT, static_cast<WPARAM>(edit.limit), 0);
        SetDlgItemTextA(dialog, edit.control, (fields.*edit.text).c_str());
    }
    for (int genre = 0; genre < kGenreCount; ++genre)
        SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(genreName(genre)));
    SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_SETCURSEL, static_cast<WPARAM>(fields.genre), 0);
}

void readDialog(HWND dialog, TagFields& fields) {
    for (const EditField& edit : kEditFields) {
        char text[31] = {};
        GetDlgItemTextA(dialog, edit.control, text, edit.limit + 1);
        fields.*edit.text = text;
    }
    LRESULT selected = SendDlgItemMessageA(dialog, IDC_TAG_GENRE, CB_GETCURSEL, 0, 0);
    fields.genre = selected == CB_ERR ? -1 : static_cast<int>(selected);
}

INT_PTR CALLBACK tagEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = dialogData<TagEditor>(dialog, message, lParam);
    switch (message) {
        case WM_INITDIALOG:
            fillDialog(dialog, data->fields);
            return TRUE;
        case WM_COMMAND:
            return handleOkCancel(dialog, wParam, [&] { readDialog(dialog, data->fields); });
    }
    return FALSE;
}

}  // namespace

bool showTagEditor(void* owner, void* libraryInstance, TagFields& fields) {
    TagEditor data{fields};
    INT_PTR pressed =
        DialogBoxParamA(dialogInstance(libraryInstance), MAKEINTRESOURCEA(IDD_MPA_TAG_EDITOR),
                        static_cast<HWND>(owner), tagEditorProc, reinterpret_cast<LPARAM>(&data));
    if (pressed != IDOK) return false;
    fields = data.fields;
    return true;
}

}  // namespace tumbor
