// Message boxes that are recorded, not shown: the host build's boxes and the
// unit tests' double in both builds.
#include <mutex>

#include "platform/recorded_dialogs.h"

namespace platform {
namespace {

std::mutex recordLock;
std::vector<MessageBoxRequest> records;
MessageAnswer nextAnswer = MessageAnswer::ok;

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

}  // namespace platform
