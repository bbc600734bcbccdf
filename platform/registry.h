// The system registry as the installer and the player use it: string values
// (UTF-8) read and written under the predefined roots. Windows has the real one; the
// simulated registry stands in for it in the unit tests of both builds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

enum class RegistryRoot { classesRoot, currentUser, localMachine, users };

class Registry {
public:
    virtual ~Registry() = default;
    // The string value `name` (empty: the key's default value) of key under
    // root; none when the key or value is missing, is not a string, or (as
    // UTF-8) does not fit in maxBytes with its terminating zero. Expandable strings come
    // back with their environment variables expanded.
    virtual std::optional<std::string> readString(RegistryRoot root, const std::string& key,
                                                  const std::string& name, std::size_t maxBytes) = 0;
    // Creates key (and its parents) when missing and sets the string value;
    // false when either is refused.
    virtual bool writeString(RegistryRoot root, const std::string& key, const std::string& name,
                             const std::string& value) = 0;
};

// The system's registry (Windows only).
Registry& systemRegistry();

}  // namespace platform
