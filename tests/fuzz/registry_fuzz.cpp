// The registry store: the bytes as the store file, then the calls the
// installer and the uninstaller make. A value set must read back as set.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "pf/registry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("registry/keys.reg", data, size);

    pf::HKEY key = nullptr;
    if (pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software\\Velnorix", 0, pf::KEY_ALL_ACCESS,
                          &key) == pf::ERROR_SUCCESS) {
        pf::BYTE buffer[300];
        pf::DWORD type = 0;
        pf::DWORD length = sizeof buffer;
        pf::RegQueryValueExA(key, "Path", nullptr, &type, buffer, &length);
        pf::RegCloseKey(key);
    }

    pf::HKEY software = nullptr;
    if (pf::RegOpenKeyExA(pf::HKEY_LOCAL_MACHINE, "Software", 0, pf::KEY_ALL_ACCESS, &software) !=
        pf::ERROR_SUCCESS)
        return 0;
    pf::DWORD disposition = 0;
    if (pf::RegCreateKeyExA(software, "Velnorix", 0, "", pf::REG_OPTION_NON_VOLATILE,
                            pf::KEY_ALL_ACCESS, nullptr, &key, &disposition) == pf::ERROR_SUCCESS) {
        // The value holds the input's first bytes, whatever they are.
        const pf::DWORD count = static_cast<pf::DWORD>(size < 200 ? size : 200);
        if (pf::RegSetValueExA(key, "Path", 0, pf::REG_SZ, data, count) == pf::ERROR_SUCCESS) {
            pf::BYTE back[300];
            pf::DWORD type = 0;
            pf::DWORD length = sizeof back;
            if (pf::RegQueryValueExA(key, "Path", nullptr, &type, back, &length) !=
                    pf::ERROR_SUCCESS ||
                type != pf::REG_SZ || length != count || std::memcmp(back, data, count) != 0)
                std::abort();
        }
        pf::RegCloseKey(key);
        pf::RegDeleteKeyA(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix");
    }
    pf::RegCloseKey(software);
    return 0;
}
