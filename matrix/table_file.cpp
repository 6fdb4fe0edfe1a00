#include "matrix/table_file.h"
#include "matrix/text_check.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "core/error.h"
#include "matrix/delimited_text.h"

namespace kelpo {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBiomComment = "# Constructed from biom file";
constexpr std::string_view kBiomMetadata = "taxonomy";

std::string decoded(std::string_view bytes) {
    if (!isValidUtf8(bytes)) return windows1252ToUtf8(bytes);
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    return std::string(bytes);
}

std::string_view firstLine(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

std::string_view afterFirstLine(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) return {};
    const std::size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    return text.substr(next);
}

// The text from its first line holding more than blanks, for choosing the separator.
std::string_view fromFirstFilledLine(std::string_view text) {
    while (!text.empty() && firstLine(text).find_first_not_of(" \t") == std::string_view::npos)
        text = afterFirstLine(text);
    return text;
}

bool isBlankRecord(const std::vector<std::string>& fields) {
    return fields.empty() || (fields.size() == 1 && fields[0].empty());
}

// Trailing empty fields beyond `width` are a spreadsheet's trailing separators.
void dropTrailingEmpty(std::vector<std::string>& fields, std::size_t width) {
    while (fields.size() > width && fields.back().empty()) fields.pop_back();
}

// A whole number or a decimal one; with a semicolon separator the decimal mark may be a comma.
std::optional<double> numberOf(std::string text, char separator) {
    if (separator == ';') std::replace(text.begin(), text.end(), ',', '.');
    std::string_view number = text;
    if (number.starts_with('+')) number.remove_prefix(1);
    const std::string_view digits = number.starts_with('-') ? number.substr(1) : number;
    // from_chars also reads "inf" and "nan": a count starts with a digit or a point.
    if (digits.empty() || !(digits.front() == '.' || (digits.front() >= '0' && digits.front() <= '9'))) return {};
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return {};
    return value;
}

std::string cellText(std::int64_t species, std::int64_t site) {
    return "cell " + std::to_string(species) + "," + std::to_string(site);
}

class TableBuilder {
public:
    TableBuilder(const TableOptions& options, char separator) : options_(options), separator_(separator) {}

    void setHeader(std::vector<std::string> header, bool biom) {
        dropTrailingEmpty(header, 1);
        if (biom && header.size() > 1 && header.back() == kBiomMetadata) {
            header.pop_back();
            metadataColumn_ = true;
        }
        header_ = std::move(header);
    }

    void addLine(std::vector<std::string>& fields, std::int64_t line) {
        dropTrailingEmpty(fields, header_.size() + metadataColumn_);
        if (lines_ == 0 && fields.size() == header_.size() + 1 + metadataColumn_) {
            header_.insert(header_.begin(), std::string());  // R's write.table leaves the corner out
            cornerAdded_ = true;
        }
        const std::size_t width = header_.size() + metadataColumn_;
        dropTrailingEmpty(fields, width);
        if (fields.size() != width) {
            throw Error(ErrorKind::InvalidInput, "Line " + std::to_string(line) + " has " +
                                                     std::to_string(fields.size()) + " fields where " +
                                                     (cornerAdded_ ? "the first species line" : "the header") +
                                                     " has " + std::to_string(width) + ".");
        }
        if (lines_ == 0) storeRow(0, header_, line);
        ++lines_;
        storeRow(lines_, fields, line);
    }

    MatrixFileContents finish() {
        const std::int64_t sites = header_.empty() ? 0 : std::int64_t(header_.size()) - 1;
        const std::int64_t species = options_.speciesInColumns ? sites : lines_;
        const std::int64_t siteCount = options_.speciesInColumns ? lines_ : sites;
        if (species == 0 || siteCount == 0) {
            throw Error(ErrorKind::InvalidInput, "read " + std::to_string(species) + " species and " +
                                                     std::to_string(siteCount) +
                                                     " sites: is the separator one of tab, comma, semicolon or space?");
        }
        return MatrixFileContents{std::move(cells_), static_cast<std::int32_t>(species),
                                  static_cast<std::int32_t>(siteCount), TextEncoding::Utf8};
    }

private:
    void refuseSize(std::int64_t lines, std::int64_t fields) const {
        const std::int64_t species = options_.speciesInColumns ? fields : lines;
        const std::int64_t sites = options_.speciesInColumns ? lines : fields;
        if (species > kMaxMatrixSide || sites > kMaxMatrixSide) {
            throw Error(ErrorKind::InvalidInput, "The table has more than " + std::to_string(kMaxMatrixSide) +
                                                     (species > kMaxMatrixSide ? " species." : " sites."));
        }
    }

    void storeRow(std::int64_t row, const std::vector<std::string>& fields, std::int64_t line) {
        refuseSize(row, std::int64_t(header_.size()) - 1);
        for (std::size_t col = 0; col < header_.size(); ++col) {
            const auto r = static_cast<std::int32_t>(options_.speciesInColumns ? std::int64_t(col) : row);
            const auto c = static_cast<std::int32_t>(options_.speciesInColumns ? row : std::int64_t(col));
            if (row == 0 || col == 0) {
                if (!fields[col].empty()) cells_.setValue(r, c, fields[col]);
            } else {
                storeData(r, c, fields[col], line);
            }
        }
    }

    void storeData(std::int32_t species, std::int32_t site, const std::string& text, std::int64_t line) {
        const std::optional<double> number = numberOf(text, separator_);
        if (number && *number < 0) {
            throw Error(ErrorKind::InvalidInput, "Line " + std::to_string(line) + ": " + cellText(species, site) +
                                                     " holds the negative number " + text + ".");
        }
        if (!number && options_.binary) {
            throw Error(ErrorKind::InvalidInput, "Line " + std::to_string(line) + ": " + cellText(species, site) +
                                                     " holds \"" + text + "\", which is no number.");
        }
        if (number && (*number == 0 || *number == 1 || options_.binary)) {
            if (*number > 0) cells_.setValue(species, site, "1");
            return;
        }
        cells_.setValue(species, site, text);
    }

    TableOptions options_;
    char separator_;
    std::vector<std::string> header_;
    bool metadataColumn_ = false;
    bool cornerAdded_ = false;
    std::int64_t lines_ = 0;
    SparseArray cells_;
};

}  // namespace

MatrixFileContents parseTableText(std::string_view bytes, const TableOptions& options) {
    const std::string text = decoded(bytes);
    std::string_view table = text;
    const bool biom = table.starts_with(kBiomComment);
    if (biom) table = afterFirstLine(table);
    const std::string_view fromHeader = fromFirstFilledLine(table);
    const char separator =
        chooseSeparator(firstLine(fromHeader), firstLine(fromFirstFilledLine(afterFirstLine(fromHeader))));

    DelimitedReader reader(table, separator);
    TableBuilder builder(options, separator);
    std::vector<std::string> fields;
    bool headerRead = false;
    while (reader.next(fields)) {
        if (isBlankRecord(fields)) continue;
        if (!headerRead) {
            builder.setHeader(std::move(fields), biom);
            headerRead = true;
        } else {
            builder.addLine(fields, reader.recordLine() + biom);
        }
    }
    return builder.finish();
}

MatrixFileContents readTableFile(const std::filesystem::path& path, const TableOptions& options) {
    std::error_code error;
    // Only a regular file has an end: a device or pipe could be read forever.
    if (!std::filesystem::is_regular_file(path, error)) {
        throw Error(ErrorKind::InputOutput, "Error 07: Error opening file. " + path.string());
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) throw Error(ErrorKind::InputOutput, "Error 07: Error opening file. " + path.string());
    requireText(bytes);
    return parseTableText(bytes, options);
}

}  // namespace kelpo
