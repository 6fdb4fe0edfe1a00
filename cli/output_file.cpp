#include "cli/output_file.h"

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

#include "core/error.h"

namespace kelpo {

namespace {

[[noreturn]] void refuse(const std::filesystem::path& path, const std::string& cause) {
    throw Error(ErrorKind::InputOutput, "Error 09: invalid file name (" + path.string() + ": " + cause + ")");
}

std::string lastSystemError() { return std::generic_category().message(errno); }

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
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) refuse(path, "cannot be created: " + lastSystemError());
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) refuse(path, "writing failed: " + lastSystemError());
}

}  // namespace kelpo
