// The two encodings matrix files come in: UTF-8, and Windows-1252 from the
// spreadsheets of Windows. The store always holds UTF-8; a file keeps its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelpo {

enum class TextEncoding {
    Utf8,
    Utf8WithByteOrderMark,  // kept, so a saved file starts as the opened one did
    Windows1252,
};

// Strict UTF-8: no overlong forms, surrogates or code points past U+10FFFF,
// the sequences a decoder would replace and so not give back byte for byte.
bool isValidUtf8(std::string_view bytes);

// Every byte has a character, the five the code page leaves undefined the C1
// control of the same number, so the conversion back is exact for any bytes.
std::string windows1252ToUtf8(std::string_view bytes);
// None when a character has no Windows-1252 byte. text must be valid UTF-8.
std::optional<std::string> utf8ToWindows1252(std::string_view text);

}  // namespace kelpo
