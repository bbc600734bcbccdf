// The in-memory registry of the unit tests.
#include <cctype>

#include "platform/simulated_registry.h"

namespace platform {
namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

SimulatedRegistry::Address SimulatedRegistry::address(RegistryRoot root, const std::string& key,
                                                      const std::string& name) {
    return Address(root, lower(key), lower(name));
}

std::optional<std::string> SimulatedRegistry::readString(RegistryRoot root, const std::string& key,
                                                         const std::string& name, std::size_t maxBytes) {
    auto value = get(root, key, name);
    // Like RegQueryValueExA, a value that does not fit the buffer is not read at all.
    if (!value || value->size() + 1 > maxBytes) return std::nullopt;
    return value;
}

bool SimulatedRegistry::writeString(RegistryRoot root, const std::string& key, const std::string& name,
                                    const std::string& value) {
    if (refused_.count(root)) return false;
    set(root, key, name, value);
    return true;
}

void SimulatedRegistry::set(RegistryRoot root, const std::string& key, const std::string& name,
                            const std::string& value) {
    values_[address(root, key, name)] = value;
}

std::optional<std::string> SimulatedRegistry::get(RegistryRoot root, const std::string& key,
                                                  const std::string& name) const {
    auto found = values_.find(address(root, key, name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::size_t SimulatedRegistry::valueCount(RegistryRoot root) const {
    std::size_t count = 0;
    for (const auto& entry : values_) count += std::get<0>(entry.first) == root;
    return count;
}

}  // namespace platform
