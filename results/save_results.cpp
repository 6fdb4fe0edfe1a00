#include "results/save_results.h"

#include <filesystem>
#include <optional>
#include <string>

#include "core/atomic_file.h"
#include "core/error.h"

namespace kelpo {

namespace {

constexpr std::string_view kExtension = ".txt";

std::string withoutNuls(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c != '\0') result += c;
    }
    return result;
}

// One left-to-right pass over non-overlapping matches, so "a..txttxt" leaves "a.txt".
std::string withoutExtensionText(std::string_view text) {
    std::string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.substr(pos, kExtension.size()) == kExtension) {
            pos += kExtension.size();
        } else {
            result += text[pos++];
        }
    }
    return result;
}

std::string trimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// Both separators count: the save dialog of one platform returns '/', of another '\'.
std::size_t fileNameStart(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

// The next code point of a UTF-8 text, or nothing when the bytes are not UTF-8.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int continuation = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3;
        value = lead & 0x07;
    } else {
        return std::nullopt;
    }
    for (int i = 0; i < continuation; ++i) {
        if (pos >= text.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(text[pos++]);
        if ((byte & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte & 0x3F);
    }
    return value;
}

}  // namespace

std::string resultsFilePath(std::string_view path) {
    if (path.empty()) return {};
    const std::string cleaned = withoutNuls(path);
    // ".txt" is removed from the file name only. Removing it from the folders too would
    // silently save into a different folder when one of them is named like "notes.txt".
    const std::size_t nameStart = fileNameStart(cleaned);
    const std::string joined =
        cleaned.substr(0, nameStart) + withoutExtensionText(std::string_view(cleaned).substr(nameStart));
    return trimmedBlanks(joined) + std::string(kExtension);
}

std::string singleByteText(std::string_view utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::optional<char32_t> code = nextCodePoint(utf8, pos);
        // A name the user typed outside Latin-1 has no single-byte form; UTF-8 keeps it
        // readable instead of turning it into question marks.
        if (!code || *code > 0xFF) return std::string(utf8);
        latin1 += static_cast<char>(*code);
    }
    return latin1;
}

void writeResultsFile(const std::string& path, std::string_view bytes) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    try {
        writeFileAtomically(file, bytes);
    } catch (const Error& error) {
        throw Error(ErrorKind::InputOutput, "Cannot write the file " + path + " (" + error.what() + ").");
    }
}

}  // namespace kelpo
