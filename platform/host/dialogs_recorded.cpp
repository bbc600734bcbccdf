// Message boxes and file dialogs that are recorded, not shown: the host build's boxes and the
// unit tests' double in both builds.
#include <mutex>

#include "platform/recorded_dialogs.h"

namespace platform {
namespace {

std::mutex recordLock;
std::vector<MessageBoxRequest> records;
MessageAnswer nextAnswer = MessageAnswer::ok;
std::vector<std::string> fileChoices;
int fileDialogs = 0;

}  // namespace

MessageAnswer showMessageBox(const MessageBoxRequest& request) {
    std::lock_guard<std::mutex> hold(recordLock);
    records.push_back(request);
    if (request.buttons == MessageButtons::ok) return MessageAnswer::ok;
    return nextAnswer;
}

const std::vector<MessageBoxRequest>& recordedMessageBoxes() { return records; }

void clearRecordedMessageBoxes() {
    std::lock_guard<std::mutex> hold(recordLock);
    records.clear();
}

void setRecordedMessageAnswer(MessageAnswer answer) {
    std::lock_guard<std::mutex> hold(recordLock);
    nextAnswer = answer;
}

bool chooseFileToOpen(void*, const std::string&, std::string& path) {
    std::lock_guard<std::mutex> hold(recordLock);
    ++fileDialogs;
    if (fileChoices.empty()) return false;
    path = fileChoices.front();
    fileChoices.erase(fileChoices.begin());
    return true;
}

void setRecordedFileChoices(const std::vector<std::string>& paths) {
    std::lock_guard<std::mutex> hold(recordLock);
    fileChoices = paths;
    fileDialogs = 0;
}

int recordedFileDialogCount() {
    std::lock_guard<std::mutex> hold(recordLock);
    return fileDialogs;
}

}  // namespace platform
