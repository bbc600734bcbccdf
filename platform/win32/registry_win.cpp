// String values of the Windows registry through the advapi32 functions.
#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace platform {
namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::classesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::currentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::localMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::users:
            return HKEY_USERS;
    }
    return HKEY_CURRENT_USER;
}

// An open key, closed when it goes.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string expanded(const std::string& text) {
    std::vector<char> buffer(32768);
    const DWORD length =
        ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length > buffer.size()) return text;
    return buffer.data();
}

class WindowsRegistry : public Registry {
public:
    std::optional<std::string> readString(RegistryRoot root, const std::string& key, const std::string& name,
                                          std::size_t maxBytes) override {
        OpenKey opened;
        if (RegOpenKeyExA(rootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, opened.out()) != ERROR_SUCCESS)
            return std::nullopt;
        // One byte more than asked for, so the text always ends within the buffer.
        std::vector<char> buffer(maxBytes + 1, '\0');
        DWORD type = 0, size = static_cast<DWORD>(maxBytes);
        if (RegQueryValueExA(opened.get(), name.empty() ? nullptr : name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        // The stored data need not end with a zero byte.
        std::string value(buffer.data(), size);
        value = value.substr(0, value.find('\0'));
        return type == REG_EXPAND_SZ ? expanded(value) : value;
    }

    bool writeString(RegistryRoot root, const std::string& key, const std::string& name,
                     const std::string& value) override {
        OpenKey created;
        if (RegCreateKeyExA(rootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                            nullptr, created.out(), nullptr) != ERROR_SUCCESS)
            return false;
        // The size counts the terminating zero, as readers of REG_SZ values expect.
        return RegSetValueExA(created.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
};

}  // namespace

Registry& systemRegistry() {
    static WindowsRegistry registry;
    return registry;
}

}  // namespace platform
