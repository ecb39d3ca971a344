// The registry store's file, as the host keeps it (platform/posix): the core
// owns the store's format and the Reg* calls, the host where the text lives
// and how programs take turns with it.
#pragma once

#include <string>

namespace pf::core {

// One operation on the store: holds the host's exclusive lock of the store
// from its construction (which creates the store's folder when missing) to
// its end, so separate programs see each other's changes.
class RegistryFile {
public:
    RegistryFile();
    ~RegistryFile();
    RegistryFile(const RegistryFile&) = delete;
    RegistryFile& operator=(const RegistryFile&) = delete;

    // The store's text; empty when there is none yet.
    std::string Load() const;
    // Replaces the store's text in one step; false (nothing changed) when it
    // cannot, or when the lock could not be had.
    bool Save(const std::string& text) const;

private:
    std::string folder_;
    int lock_ = -1;
};

}  // namespace pf::core
