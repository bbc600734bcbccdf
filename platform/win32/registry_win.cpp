// String values of the Windows registry through the wide advapi32
// functions; keys, names and values are UTF-8 on this side.
#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/win32/wide_text.h"

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

std::wstring expanded(const std::wstring& text) {
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length > buffer.size()) return text;
    return buffer.data();
}

// The value's name for the registry calls: null for the key's default value.
const wchar_t* valueName(const std::wstring& name) { return name.empty() ? nullptr : name.c_str(); }

class WindowsRegistry : public Registry {
public:
    std::optional<std::string> readString(RegistryRoot root, const std::string& key, const std::string& name,
                                          std::size_t maxBytes) override {
        OpenKey opened;
        if (RegOpenKeyExW(rootKey(root), wideFromUtf8(key).c_str(), 0, KEY_QUERY_VALUE, opened.out()) !=
            ERROR_SUCCESS)
            return std::nullopt;
        const std::wstring wideName = wideFromUtf8(name);
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(opened.get(), valueName(wideName), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        // One character more than stored, so the text always ends within the buffer.
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(opened.get(), valueName(wideName), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        // The stored data need not end with a zero.
        buffer.resize(wcsnlen(buffer.c_str(), size / sizeof(wchar_t)));
        const std::string value = utf8FromWide(type == REG_EXPAND_SZ ? expanded(buffer) : buffer);
        if (value.size() + 1 > maxBytes) return std::nullopt;
        return value;
    }

    bool writeString(RegistryRoot root, const std::string& key, const std::string& name,
                     const std::string& value) override {
        OpenKey created;
        if (RegCreateKeyExW(rootKey(root), wideFromUtf8(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, created.out(), nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring text = wideFromUtf8(value);
        // The size counts the terminating zero, as readers of REG_SZ values expect.
        return RegSetValueExW(created.get(), valueName(wideFromUtf8(name)), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
};

}  // namespace

Registry& systemRegistry() {
    static WindowsRegistry registry;
    return registry;
}

}  // namespace platform
