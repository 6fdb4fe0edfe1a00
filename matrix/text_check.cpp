#include "matrix/text_check.h"

#include "core/error.h"

#include <algorithm>
#include <string>

namespace kelpo {

namespace {

// Only C0 controls and DEL: bytes from 0x80 up are letters in Windows-1252 and parts
// of characters in UTF-8, which the decoder judges.
bool isControl(unsigned char byte) {
    return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
}

}  // namespace

std::optional<std::size_t> firstNonTextByte(std::string_view bytes) {
    const auto found =
        std::find_if(bytes.begin(), bytes.end(), [](char c) { return isControl(static_cast<unsigned char>(c)); });
    if (found == bytes.end()) return std::nullopt;
    return static_cast<std::size_t>(found - bytes.begin());
}

void requireText(std::string_view bytes) {
    const std::optional<std::size_t> offset = firstNonTextByte(bytes);
    if (!offset) return;
    const auto byte = static_cast<unsigned>(static_cast<unsigned char>(bytes[*offset]));
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string code{'0', 'x', kHex[byte >> 4], kHex[byte & 15]};
    throw Error(ErrorKind::InputOutput, "The file is not a text file: byte " + std::to_string(*offset + 1) +
                                            " is the control character " + code + ".");
}

}  // namespace kelpo
