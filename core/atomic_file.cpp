#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "core/error.h"

namespace kelpo {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw Error(ErrorKind::InputOutput, what + ": " + std::generic_category().message(errno));
}

// Hidden, beside the target (a rename only replaces atomically within one file
// system), and unique per process and call so parallel saves never share one.
std::filesystem::path temporaryBeside(const std::filesystem::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + target.filename().string() + ".kelpo-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(attempt) + ".tmp";
    return target.parent_path() / name;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    // A link is followed: the file it names is replaced, and the link stays a link.
    std::error_code ignored;
    if (std::filesystem::is_symlink(target_, ignored)) target_ = std::filesystem::weakly_canonical(target_, ignored);
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or pipe cannot be replaced by renaming a file over it: written in place.
        descriptor_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (descriptor_ < 0) fail("cannot be created");
        return;
    }
    for (unsigned attempt = 0; descriptor_ < 0; ++attempt) {
        temporary_ = temporaryBeside(target_, attempt);
        // 0666 less the umask, as a plain new file would get.
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && (errno != EEXIST || attempt > 100)) fail("cannot be created");
    }
    // A replaced file keeps its permissions.
    if (exists) ::fchmod(descriptor_, existing.st_mode & 07777);
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() noexcept {
    if (descriptor_ < 0) return;
    ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("writing failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void AtomicFile::commit() {
    if (temporary_.empty()) {  // written in place: a device may refuse fsync, its close tells
        const int closing = ::close(descriptor_);
        descriptor_ = -1;
        if (closing != 0) fail("writing failed");
        return;
    }
    // fsync before the rename: otherwise a crash could leave the new name on empty blocks.
    if (::fsync(descriptor_) != 0) fail("writing failed");
    const int closing = ::close(descriptor_);
    descriptor_ = -1;
    if (closing != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int cause = errno;
        ::unlink(temporary_.c_str());
        errno = cause;
        fail("writing failed");
    }
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

}  // namespace kelpo
