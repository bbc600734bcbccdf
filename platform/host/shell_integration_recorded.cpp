// The recording registry and tray: the unit tests' doubles in both builds,
// and what the native build uses, having no shell of its own.
#include <algorithm>
#include <cctype>

#include "platform/recorded_shell_integration.h"

namespace platform {

bool KeyOrder::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::string> RecordedFileTypeRegistry::defaultValue(const std::string& key) {
    auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

bool RecordedFileTypeRegistry::setDefaultValue(const std::string& key, const std::string& value) {
    writes.emplace_back(key, value);
    if (refused.count(key)) return false;
    values[key] = value;
    return true;
}

bool RecordedTrayArea::add(const TrayIcon& icon) {
    calls.push_back(Record{Call::add, icon});
    return true;
}

void RecordedTrayArea::remove(int id) {
    TrayIcon icon;
    icon.id = id;
    calls.push_back(Record{Call::remove, icon});
}

void RecordedTrayArea::redraw() { calls.push_back(Record{Call::redraw, TrayIcon{}}); }

std::vector<int> RecordedTrayArea::shown() const {
    std::vector<int> ids;
    for (const Record& record : calls) {
        if (record.call == Call::add && std::find(ids.begin(), ids.end(), record.icon.id) == ids.end())
            ids.push_back(record.icon.id);
        if (record.call == Call::remove)
            ids.erase(std::remove(ids.begin(), ids.end(), record.icon.id), ids.end());
    }
    return ids;
}

}  // namespace platform
