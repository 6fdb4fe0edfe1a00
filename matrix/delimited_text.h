// Splits delimited text into records of fields the way spreadsheets and R write
// them (RFC 4180): a quoted field may hold the separator, line breaks and "" (or
// R's \") for a quote.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelpo {

// The separator of a table from its header line: the first of comma, semicolon
// and tab found outside quotes whose count the first data line repeats (or has
// one more of, for a header without a corner label), else the first found, else space.
char chooseSeparator(std::string_view header, std::string_view firstDataLine);

class DelimitedReader {
public:
    // With a space as separator, runs of spaces are one separator and spaces at
    // either end of a line are none, as R's read.table has it.
    DelimitedReader(std::string_view text, char separator) : text_(text), separator_(separator) {}

    // The next record's fields, false at the end of the text. Unquoted fields lose
    // the blanks around them. Throws kelpo::Error (InvalidInput) for a quote never
    // closed or text after a closing quote, naming the line.
    bool next(std::vector<std::string>& fields);
    // The line (from 1) on which the record last read began.
    std::int64_t recordLine() const { return recordLine_; }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    bool atLineEnd() const { return atEnd() || text_[pos_] == '\r' || text_[pos_] == '\n'; }
    bool isBlank(char c) const { return (c == ' ' || c == '\t') && c != separator_; }
    void skipBlanks();
    void skipLineEnd();
    void readQuoted(std::string& field);
    void readField(std::string& field);

    std::string_view text_;
    char separator_;
    std::size_t pos_ = 0;
    std::int64_t line_ = 1;
    std::int64_t recordLine_ = 0;
};

}  // namespace kelpo
