// The extension registration dialog shown for real under Wine and operated by
// a helper thread, over the recording registry: its lines and preselection,
// and what its OK writes and reports, also when the registry refuses a key.
#include "platform/recorded_dialogs.h"
#include "platform/recorded_shell_integration.h"
#include "player/window/win32/file_types_dialog.h"
#include "resources/player/resource_ids.h"
#include "tests/unit/win32/dialog_operator.h"

namespace tumbor::window::win32 {
namespace {

using tumbor::testing::operate;
using tumbor::testing::press;

class FileTypesDialogWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        record_.fileFilter = "Sounds (*.wav;*.voc)|*.wav;*.voc|";
        modules_.registerModule(&record_, "Strm_PCM.DLL", 0, nullptr, nullptr);
        platform::clearRecordedMessageBoxes();
    }
    void TearDown() override { modules_.tearDown(); }

    // The list's lines, each followed by "*" when it is selected.
    static std::vector<std::string> lines(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_EXTENSIONS_LIST);
        std::vector<std::string> shown;
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = "";
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            shown.push_back(std::string(text) + (SendMessageA(list, LB_GETSEL, i, 0) > 0 ? "*" : ""));
        }
        return shown;
    }

    void showDialog() { showFileTypesDialog(nullptr, modules_, registry_, "C:\\Tumbor\\Tumbor.exe"); }

    StreamModule record_{};
    ModuleRegistry modules_;
    platform::RecordedFileTypeRegistry registry_;
};

TEST_F(FileTypesDialogWinTest, RegistersTheChosenExtensions) {
    registry_.values[".voc"] = "Tumbor.File";
    registry_.values[".m3u"] = "OtherPlayer.List";
    operate(
        "Register Extensions",
        [](HWND dialog) {
            EXPECT_EQ(lines(dialog), (std::vector<std::string>{".m3u (Playlist)*", ".m3u8 (Playlist)*",
                                                               ".pls (Playlist)*", ".wav*", ".voc"}));
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_EXTENSIONS_LIST, LB_GETCARETINDEX, 0, 0), 0);
            SendDlgItemMessageA(dialog, IDC_EXTENSIONS_LIST, LB_SETSEL, FALSE, 2);
            press(dialog, IDOK);
        },
        [&] { showDialog(); });
    EXPECT_EQ(registry_.values[".m3u"], "Tumbor.File");
    EXPECT_EQ(registry_.values[".m3u8"], "Tumbor.File");
    EXPECT_EQ(registry_.values[".wav"], "Tumbor.File");
    EXPECT_EQ(registry_.values.count(".pls"), 0u);
    EXPECT_EQ(registry_.values["Tumbor.File\\shell\\open\\command"], "\"C:\\Tumbor\\Tumbor.exe\" \"%1\"");
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Register Extensions");
    EXPECT_EQ(boxes[0].text.rfind("Registering file extensions has been completed.", 0), 0u);
}

TEST_F(FileTypesDialogWinTest, ARefusedKeyGivesAnErrorNotTheCompletion) {
    registry_.refused = {".wav"};
    operate(
        "Register Extensions", [](HWND dialog) { press(dialog, IDOK); }, [&] { showDialog(); });
    const auto& boxes = platform::recordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, platform::MessageIcon::error);
    EXPECT_EQ(boxes[0].text.find("completed"), std::string::npos);
    EXPECT_NE(boxes[0].text.find(".wav"), std::string::npos);
    EXPECT_EQ(registry_.values[".voc"], "Tumbor.File") << "the other keys are written";
}

TEST_F(FileTypesDialogWinTest, CancelWritesNothing) {
    operate(
        "Register Extensions", [](HWND dialog) { press(dialog, IDCANCEL); }, [&] { showDialog(); });
    EXPECT_TRUE(registry_.writes.empty());
    EXPECT_TRUE(platform::recordedMessageBoxes().empty());
}

}  // namespace
}  // namespace tumbor::window::win32
