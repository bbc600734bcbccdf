// A registry in memory for the unit tests: keys and value names compare
// without case, as in Windows, and writes under a root can be refused, as
// HKEY_CLASSES_ROOT refuses a user without administrator rights.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "platform/registry.h"

namespace platform {

class SimulatedRegistry : public Registry {
public:
    std::optional<std::string> readString(RegistryRoot root, const std::string& key, const std::string& name,
                                          std::size_t maxBytes) override;
    bool writeString(RegistryRoot root, const std::string& key, const std::string& name,
                     const std::string& value) override;

    // Sets a value directly, whatever writes are refused.
    void set(RegistryRoot root, const std::string& key, const std::string& name, const std::string& value);
    // The value as stored, or none.
    std::optional<std::string> get(RegistryRoot root, const std::string& key, const std::string& name) const;
    void refuseWrites(RegistryRoot root) { refused_.insert(root); }
    // How many values are stored under root.
    std::size_t valueCount(RegistryRoot root) const;

private:
    using Address = std::tuple<RegistryRoot, std::string, std::string>;
    static Address address(RegistryRoot root, const std::string& key, const std::string& name);

    std::map<Address, std::string> values_;
    std::set<RegistryRoot> refused_;
};

}  // namespace platform
