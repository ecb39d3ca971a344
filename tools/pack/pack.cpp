// vx-pack: builds the install archive "data.1".
//
//   vx-pack --output FILE [--file NAME=PATH]... [--dir NAME=PATH]...
//           [--allow-missing-dirs]
//
// The --file entries land in the installation folder, in the order given.
// Each --dir becomes a directory entry NAME followed by the files of PATH
// sorted by name (byte order); its subfolders follow, each as a directory
// entry "NAME\sub" with its own files. The archive ends with the end entry.
//
// Every name is checked as the installer and the uninstaller will read it:
// one plain component (no "/", "\" or ":", not "." or ".."), not a marker string
// of the install log, not "install.log", short enough for a 260-byte path;
// at most ten directories (the uninstaller keeps ten). A symbolic link inside
// a --dir folder is refused rather than followed. The output is written
// beside its place and renamed in, and left untouched when its bytes would
// not change.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kNameSize = 260;
// Room left in a 260-byte path for the installation folder: the longest
// directory name the archive may hold.
constexpr size_t kMaxDirectoryName = 120;
constexpr int kMaxDirectories = 10;

const char* const kReservedNames[] = {
    "CHANGE_DIRECTORY",  "END_OF_DATA_FILE",  "CREATED_DIRECTORY",     "CREATED_REG_KEYS",
    "INSTALLATION_COMPLETE", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "install.log",
};

struct Failure {
    std::string text;
};

void CheckFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        throw Failure{"invalid file name \"" + name + "\""};
    if (name.find_first_of("/\\:") != std::string::npos)
        throw Failure{"file name \"" + name + "\" holds a separator or a colon"};
    if (name.size() + 1 > kNameSize) throw Failure{"file name \"" + name + "\" too long"};
    for (const char* reserved : kReservedNames)
        if (name == reserved) throw Failure{"file name \"" + name + "\" is reserved"};
}

void CheckDirectoryName(const std::string& name) {
    if (name.size() > kMaxDirectoryName) throw Failure{"directory name \"" + name + "\" too long"};
    size_t start = 0;
    for (;;) {
        const size_t end = name.find('\\', start);
        const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of("/:") != std::string::npos)
            throw Failure{"invalid directory name \"" + name + "\""};
        if (end == std::string::npos) return;
        start = end + 1;
    }
}

std::vector<char> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{"cannot read " + path.string()};
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure{"cannot read " + path.string()};
    return bytes;
}

class Archive {
public:
    void AddFile(const std::string& name, const fs::path& path) {
        CheckFileName(name);
        const std::vector<char> content = ReadWhole(path);
        if (content.size() > 0xFFFFFFFFull) throw Failure{path.string() + " is too large"};
        Name(name);
        const uint32_t size = static_cast<uint32_t>(content.size());
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>(size >> (8 * i) & 0xFF));
        bytes_.insert(bytes_.end(), content.begin(), content.end());
    }

    void AddDirectory(const std::string& name, const fs::path& path, bool allowMissing) {
        if (!fs::is_directory(path)) {
            if (allowMissing) {
                std::cerr << "vx-pack: warning: " << path.string() << " does not exist; skipped\n";
                return;
            }
            throw Failure{path.string() + " is not a directory"};
        }
        CheckDirectoryName(name);
        if (++directories_ > kMaxDirectories)
            throw Failure{"more than ten directories: the uninstaller keeps ten"};
        Name("CHANGE_DIRECTORY");
        Name(name);

        std::vector<std::string> files;
        std::vector<std::string> folders;
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            const std::string leaf = entry.path().filename().string();
            // A link would pack whatever it points to, possibly a file of
            // the system: only what really lies in the folder is packed.
            if (entry.is_symlink())
                throw Failure{entry.path().string() + " is a symbolic link; links are not packed"};
            if (entry.is_directory())
                folders.push_back(leaf);
            else if (entry.is_regular_file())
                files.push_back(leaf);
            else
                throw Failure{entry.path().string() + " is neither a file nor a folder"};
        }
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        for (const std::string& file : files) AddFile(file, path / file);
        for (const std::string& folder : folders) {
            CheckFileName(folder);
            AddDirectory(name + "\\" + folder, path / folder, false);
        }
    }

    const std::vector<char>& Finish() {
        Name("END_OF_DATA_FILE");
        return bytes_;
    }

private:
    void Name(const std::string& name) {
        bytes_.insert(bytes_.end(), name.begin(), name.end());
        bytes_.push_back(0);
    }

    std::vector<char> bytes_;
    int directories_ = 0;
};

// NAME=PATH
void Split(const std::string& argument, std::string& name, fs::path& path) {
    const size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0) throw Failure{"expected NAME=PATH: " + argument};
    name = argument.substr(0, equals);
    path = argument.substr(equals + 1);
}

void WriteIfChanged(const fs::path& output, const std::vector<char>& bytes) {
    std::error_code error;
    if (fs::exists(output, error) && ReadWhole(output) == bytes) return;
    const fs::path temporary = output.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw Failure{"cannot write " + temporary.string()};
    }
    fs::rename(temporary, output, error);
    if (error) throw Failure{"cannot write " + output.string() + ": " + error.message()};
}

int Usage() {
    std::cerr << "usage: vx-pack --output FILE [--file NAME=PATH]... [--dir NAME=PATH]... "
                 "[--allow-missing-dirs]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    fs::path output;
    bool allowMissing = false;
    for (const std::string& argument : arguments)
        if (argument == "--allow-missing-dirs") allowMissing = true;

    try {
        Archive archive;
        bool directorySeen = false;
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string& option = arguments[i];
            if (option == "--allow-missing-dirs") continue;
            if (i + 1 >= arguments.size()) return Usage();
            const std::string& value = arguments[++i];
            std::string name;
            fs::path path;
            if (option == "--output") {
                output = value;
            } else if (option == "--file") {
                // Files of the installation folder come before any directory.
                if (directorySeen) throw Failure{"--file after --dir: " + value};
                Split(value, name, path);
                archive.AddFile(name, path);
            } else if (option == "--dir") {
                Split(value, name, path);
                archive.AddDirectory(name, path, allowMissing);
                directorySeen = true;
            } else {
                return Usage();
            }
        }
        if (output.empty()) return Usage();
        WriteIfChanged(output, archive.Finish());
    } catch (const Failure& failure) {
        std::cerr << "vx-pack: " << failure.text << "\n";
        return 1;
    } catch (const fs::filesystem_error& error) {
        std::cerr << "vx-pack: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
