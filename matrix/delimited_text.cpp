#include "matrix/delimited_text.h"

#include <algorithm>
#include <array>

#include "core/error.h"

namespace kelpo {

namespace {

std::size_t countOutsideQuotes(std::string_view line, char separator) {
    std::size_t count = 0;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;  // a doubled quote toggles twice: no harm
        else if (c == separator && !quoted) ++count;
    }
    return count;
}

[[noreturn]] void refuse(std::int64_t line, const std::string& what) {
    throw Error(ErrorKind::InvalidInput, "Line " + std::to_string(line) + ": " + what + ".");
}

}  // namespace

char chooseSeparator(std::string_view header, std::string_view firstDataLine) {
    // A semicolon file's numbers may hold decimal commas, and a name may hold
    // any of the three, so the data line confirms the choice.
    constexpr std::array<char, 3> candidates{',', ';', '\t'};
    char firstFound = ' ';
    for (const char candidate : candidates) {
        const std::size_t inHeader = countOutsideQuotes(header, candidate);
        if (inHeader == 0) continue;
        const std::size_t inData = countOutsideQuotes(firstDataLine, candidate);
        if (inData == inHeader || inData == inHeader + 1) return candidate;
        if (firstFound == ' ') firstFound = candidate;
    }
    return firstFound;
}

void DelimitedReader::skipBlanks() {
    while (!atEnd() && isBlank(text_[pos_])) ++pos_;
}

void DelimitedReader::skipLineEnd() {
    if (atEnd()) return;
    if (text_[pos_] == '\r') {
        ++pos_;
        if (!atEnd() && text_[pos_] == '\n') ++pos_;
    } else {
        ++pos_;  // '\n'
    }
    ++line_;
}

void DelimitedReader::readQuoted(std::string& field) {
    const std::int64_t opened = line_;
    ++pos_;
    for (;;) {
        const std::size_t close = text_.find('"', pos_);
        if (close == std::string_view::npos) refuse(opened, "a quote is opened and never closed");
        // R's write.table() escapes a quote with a backslash, spreadsheets double it.
        const bool escaped = close > pos_ && text_[close - 1] == '\\';
        const std::string_view part = text_.substr(pos_, close - pos_ - escaped);
        line_ += std::count(part.begin(), part.end(), '\n');
        field.append(part);
        pos_ = close + 1;
        if (escaped) {
            field += '"';
            continue;
        }
        if (atEnd() || text_[pos_] != '"') break;
        field += '"';
        ++pos_;
    }
    skipBlanks();
    if (!atLineEnd() && text_[pos_] != separator_) refuse(line_, "text follows the closing quote of a field");
}

void DelimitedReader::readField(std::string& field) {
    field.clear();
    skipBlanks();
    if (!atEnd() && text_[pos_] == '"') {
        readQuoted(field);
        return;
    }
    const std::size_t start = pos_;
    while (!atLineEnd() && text_[pos_] != separator_) ++pos_;
    std::string_view text = text_.substr(start, pos_ - start);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    field.assign(text);
}

bool DelimitedReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (atEnd()) return false;
    recordLine_ = line_;
    const bool spaces = separator_ == ' ';
    if (spaces) {
        while (!atEnd() && text_[pos_] == ' ') ++pos_;
    }
    if (!atLineEnd()) {
        for (;;) {
            fields.emplace_back();
            readField(fields.back());
            if (atLineEnd()) break;
            ++pos_;  // the separator
            if (spaces) {
                while (!atEnd() && text_[pos_] == ' ') ++pos_;
                if (atLineEnd()) break;
            }
        }
    }
    skipLineEnd();
    return true;
}

}  // namespace kelpo
