// Test doubles of the shell seam: a registry held in memory that can be told
// to refuse keys, and a tray that records every call it is asked to make.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell_integration.h"

namespace platform {

// Registry keys compare without regard to case, as the system's do.
struct KeyOrder {
    bool operator()(const std::string& a, const std::string& b) const;
};

class RecordedFileTypeRegistry : public FileTypeRegistry {
public:
    std::optional<std::string> defaultValue(const std::string& key) override;
    bool setDefaultValue(const std::string& key, const std::string& value) override;

    std::map<std::string, std::string, KeyOrder> values;      // key -> default value
    std::set<std::string, KeyOrder> refused;                  // keys whose writes fail
    std::vector<std::pair<std::string, std::string>> writes;  // every write asked for, in order
};

class RecordedTrayArea : public TrayArea {
public:
    enum class Call { add, remove, redraw };
    struct Record {
        Call call;
        TrayIcon icon;  // for remove only the id is set
    };

    bool add(const TrayIcon& icon) override;
    void remove(int id) override;
    void redraw() override;

    // The ids of the icons added and not yet removed, in the order added.
    std::vector<int> shown() const;

    std::vector<Record> calls;
};

}  // namespace platform
