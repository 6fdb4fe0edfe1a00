#include "matrix/matrix_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <fstream>
#include <system_error>
#include <utility>

#include "core/atomic_file.h"
#include "core/error.h"
#include "matrix/text_check.h"

namespace kelpo {

namespace {

constexpr const char* kOpenError = "Error 07: Error opening file.";
constexpr const char* kWriteError = "Error 08: Error writing file";

[[noreturn]] void failOpen() { throw Error(ErrorKind::InputOutput, kOpenError); }
[[noreturn]] void failWrite() { throw Error(ErrorKind::InputOutput, kWriteError); }

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The file's text in UTF-8 and the encoding to save it in again. Editors on
// Windows save UTF-8 with a byte-order mark: kept in the text, it would be
// invisible bytes at the front of the corner label, and a header whose corner
// label is empty would no longer begin with its space. Text that is not UTF-8
// comes from a Windows spreadsheet; Latin-1 would read most of it alike, but
// Windows-1252 also gives its curly quotes and euro sign their characters.
std::pair<std::string, TextEncoding> decodedText(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark) && isValidUtf8(bytes)) {
        return {std::string(bytes.substr(kByteOrderMark.size())), TextEncoding::Utf8WithByteOrderMark};
    }
    if (isValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8};
    return {windows1252ToUtf8(bytes), TextEncoding::Windows1252};
}

// Windows-1252 only while every text has a byte in it: a name typed since with
// no such byte makes the whole file UTF-8 rather than lose a character.
TextEncoding encodingToWrite(const SparseArray& cells, std::int32_t rows, std::int32_t cols, TextEncoding wanted) {
    if (wanted != TextEncoding::Windows1252) return wanted;
    bool fits = true;
    cells.forEach([&](const SparseArray::Cell& cell) {
        const bool written = cell.row <= rows && cell.col <= cols;
        if (fits && written && !utf8ToWindows1252(cell.text)) fits = false;
    });
    return fits ? wanted : TextEncoding::Utf8;
}

// A chunk of lines in the encoding chosen; every text fits it (see above).
std::string encoded(const std::string& chunk, TextEncoding encoding) {
    return encoding == TextEncoding::Windows1252 ? utf8ToWindows1252(chunk).value() : chunk;
}

// Lines ended by LF, CR LF or a lone CR: files come from every platform.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    std::string_view next() {
        const std::size_t end = std::min(text_.find_first_of("\r\n", pos_), text_.size());
        const std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (startsWith('\r')) {
            ++pos_;
            if (startsWith('\n')) ++pos_;
        } else if (startsWith('\n')) {
            ++pos_;
        }
        return line;
    }

private:
    bool startsWith(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// The header decides the separator for the whole file; a comma wins over a tab
// and a tab over a space.
char separatorOf(std::string_view header) {
    if (header.find(',') != std::string_view::npos) return ',';
    if (header.find('\t') != std::string_view::npos) return '\t';
    return ' ';
}

// Fields of the header less the corner label, and one less again when the
// header begins with a space: such a header is taken to have an empty corner
// label and to end in a space too, which adds an empty last field.
std::int64_t siteCount(std::string_view header, char separator) {
    std::int64_t sites = std::count(header.begin(), header.end(), separator);
    if (header.starts_with(' ')) --sites;
    return sites;
}

bool isDataLine(std::string_view line) { return line.find_first_of("01") != std::string_view::npos; }

// Species lines run up to the first line holding neither a 0 nor a 1.
std::int32_t speciesCount(LineReader& lines) {
    std::int32_t species = 0;
    while (!lines.atEnd()) {
        if (!isDataLine(lines.next())) break;
        // More species than the grid can show or the analysis take: refused
        // here, before the cells are stored, rather than cut silently.
        if (++species > kMaxMatrixSide) failOpen();
    }
    return species;
}

// Stores the fields of one line in row `row`, text unchanged; a field that is
// exactly "0" is left out, since an unstored cell reads "0".
void storeLine(SparseArray& cells, std::int32_t row, std::string_view line, char separator) {
    std::int32_t col = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(line.find(separator, start), line.size());
        const std::string_view field = line.substr(start, end - start);
        if (field != "0") cells.setValue(row, col, field);
        if (end == line.size()) return;
        start = end + 1;
        // A field beyond the last column the grid can show could never be seen
        // or analysed; refusing it also bounds the cells one long line can make.
        // An empty last field there is only the line's trailing separator.
        if (++col > kMaxMatrixSide) {
            if (start == line.size()) return;
            failOpen();
        }
    }
}

struct CellTally {
    std::size_t cells = 0;
    std::size_t bytes = 0;  // of their texts
};

// What storeLine will store for lines 0..species, counted without storing: the
// store is then sized once, and a file too big for this computer refused first.
CellTally tallyCells(std::string_view text, std::int32_t species, char separator) {
    CellTally tally;
    LineReader lines(text);
    for (std::int32_t row = 0; row <= species; ++row) {
        const std::string_view line = lines.next();
        for (std::size_t start = 0;;) {
            const std::size_t end = std::min(line.find(separator, start), line.size());
            if (line.substr(start, end - start) != "0") {
                ++tally.cells;
                tally.bytes += end - start;
            }
            if (end == line.size()) break;
            start = end + 1;
        }
    }
    return tally;
}

// Memory the system can still give, from the kernel's estimate; all of it when unknown.
std::uint64_t availableMemory() {
    std::ifstream info("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    while (info >> key >> kilobytes) {
        if (key == "MemAvailable:") return kilobytes * 1024;
        info.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? std::uint64_t(pages) * std::uint64_t(pageSize)
                                     : std::numeric_limits<std::uint64_t>::max();
}

// A file of many short fields can need far more memory than its size. Twice the
// store's size is asked for: the cells are copied once while a matrix is checked.
void refuseIfTooBig(const CellTally& tally) {
    constexpr std::uint64_t kBytesPerCell = 28;  // an entry and its share of the lookup table
    constexpr std::uint64_t kMegabyte = 1 << 20;
    const std::uint64_t needed = 2 * (tally.cells * kBytesPerCell + tally.bytes);
    const std::uint64_t available = availableMemory();
    if (needed <= available) return;
    throw Error(ErrorKind::OutOfMemory,
                "The file holds " + std::to_string(tally.cells) + " cells, which would take about " +
                    std::to_string(needed / kMegabyte) + " MB of memory, more than the " +
                    std::to_string(available / kMegabyte) + " MB this computer has free.");
}

// The writer separates fields by spaces, so a space inside a text becomes "_".
void appendField(std::string& line, std::optional<std::string_view> text) {
    if (!text) {
        line += '0';
        return;
    }
    const std::size_t start = line.size();
    line += *text;
    std::replace(line.begin() + static_cast<std::ptrdiff_t>(start), line.end(), ' ', '_');
}

// Every ".txt" (exact case) taken out, scanning once from the left.
std::string withoutTxt(std::string_view text) {
    constexpr std::string_view txt = ".txt";
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found = text.find(txt); found != std::string_view::npos; found = text.find(txt, start)) {
        result.append(text.substr(start, found - start));
        start = found + txt.size();
    }
    result.append(text.substr(start));
    return result;
}

std::size_t fileNameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

MatrixFileContents parseMatrixText(std::string_view bytes) {
    const auto [decoded, encoding] = decodedText(bytes);
    const std::string_view text = decoded;
    if (text.empty()) failOpen();
    LineReader lines(text);
    const std::string_view header = lines.next();
    if (lines.atEnd()) failOpen();  // no line after the header to count
    const char separator = separatorOf(header);
    const std::int64_t sites = siteCount(header, separator);
    // More sites than the grid can show or the analysis take.
    if (sites > kMaxMatrixSide) failOpen();
    const std::int32_t species = speciesCount(lines);

    const CellTally tally = tallyCells(text, species, separator);
    refuseIfTooBig(tally);
    MatrixFileContents contents{SparseArray(), species, static_cast<std::int32_t>(sites), encoding};
    contents.cells.reserve(tally.cells, tally.bytes);
    LineReader again(text);
    for (std::int32_t row = 0; row <= species; ++row) storeLine(contents.cells, row, again.next(), separator);
    return contents;
}

MatrixFileContents readMatrixFile(const std::filesystem::path& path) {
    // Only a regular file has an end: a device or pipe could be read forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) failOpen();
    std::ifstream in(path, std::ios::binary);
    if (!in) failOpen();
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) failOpen();
    requireText(text);
    return parseMatrixText(text);
}

TextEncoding writeMatrixFile(const std::filesystem::path& path, const SparseArray& cells, std::int32_t rows,
                             std::int32_t cols, TextEncoding wanted) {
    const TextEncoding encoding = encodingToWrite(cells, rows, cols, wanted);
    try {
        AtomicFile out(path);
        std::string chunk;
        if (encoding == TextEncoding::Utf8WithByteOrderMark) chunk += kByteOrderMark;
        for (std::int64_t row = 0; row <= rows; ++row) {
            for (std::int64_t col = 0; col <= cols; ++col) {
                if (col > 0) chunk += ' ';
                appendField(chunk, cells.find(static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)));
            }
            chunk += "\r\n";
            // Written in pieces: a large matrix's text need not be held whole.
            if (chunk.size() >= (1 << 20)) {
                out.write(encoded(chunk, encoding));
                chunk.clear();
            }
        }
        chunk += "\r\n";
        out.write(encoded(chunk, encoding));
        out.commit();
    } catch (const Error&) {
        failWrite();
    }
    return encoding;
}

std::string matrixName(std::string_view path) { return withoutTxt(path.substr(fileNameStart(path))); }

std::string matrixSavePath(std::string_view chosen) {
    // ".txt" comes out of the file name only: taken out of a folder name, it
    // would send the file into another folder than the one the user chose.
    const std::size_t nameStart = fileNameStart(chosen);
    std::string path = std::string(chosen.substr(0, nameStart)) + withoutTxt(chosen.substr(nameStart)) + ".txt";
    // Exactly ".txt" means the dialog was cancelled (nothing chosen).
    return path == ".txt" ? std::string() : path;
}

std::string matrixCaption(std::string_view name, std::string_view rowsText, std::string_view colsText) {
    return "Presence-Absence Matrix: " + std::string(name) + " [" + std::string(rowsText) + "x" +
           std::string(colsText) + "]";
}

}  // namespace kelpo
