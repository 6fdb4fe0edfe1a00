#include "cli/output_file.h"

#include <string>

#include "core/atomic_file.h"
#include "core/error.h"

namespace kelpo {

namespace {

[[noreturn]] void refuse(const std::filesystem::path& path, const std::string& cause) {
    throw Error(ErrorKind::InputOutput, "Error 09: invalid file name (" + path.string() + ": " + cause + ")");
}

}  // namespace

void checkOutputPath(const std::filesystem::path& path) {
    if (path.empty()) refuse(path, "the name is empty");
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) refuse(path, "it is a folder");
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        refuse(path, "the folder " + folder.string() + " does not exist");
    }
}

void writeOutputFile(const std::filesystem::path& path, std::string_view bytes) {
    checkOutputPath(path);
    try {
        writeFileAtomically(path, bytes);
    } catch (const Error& error) {
        refuse(path, error.what());
    }
}

}  // namespace kelpo
