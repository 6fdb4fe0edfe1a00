// Whether bytes can be a matrix file at all: text holds no NUL and no control
// character but tab, CR and LF, so an image or archive is refused before parsing.
#pragma once

#include <optional>
#include <string_view>

namespace kelpo {

// The offset of the first byte that text never holds, nullopt for text.
std::optional<std::size_t> firstNonTextByte(std::string_view bytes);

// Throws kelpo::Error (InputOutput) naming that byte when the bytes are not text.
void requireText(std::string_view bytes);

}  // namespace kelpo
