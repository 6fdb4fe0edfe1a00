// Replacing a file all at once: the new bytes go to a temporary file in the same
// folder, which takes the target's name only when every byte is written and on
// disk. A full disk, a quota or a crash mid-write leaves the old file as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelpo {

class AtomicFile {
public:
    // Creates the temporary file. Throws kelpo::Error (InputOutput) with the cause.
    explicit AtomicFile(std::filesystem::path target);
    // Without a commit the temporary file is removed and the target left alone.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; throws kelpo::Error (InputOutput) with the cause.
    void write(std::string_view bytes);
    // Flushes to disk and renames over the target; throws as above, the target untouched.
    void commit();

private:
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temporary_;  // empty when a device or pipe is written in place
    int descriptor_ = -1;
};

// The whole of bytes written to path through an AtomicFile.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kelpo
