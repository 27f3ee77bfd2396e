#pragma once
// The check of the cell map text that the program embeds (resources/maternity/cellmap.tsv), run by the compiler:
// CellMap.cpp asserts it on the embedded text, so a map its reader could not take fails the build with the line
// named, and the program never meets a bad map at run time.

#include <algorithm>
#include <string_view>

namespace maternity::cellmap {

namespace detail {

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool isNameChar(char c) {
    return isDigit(c) || isUpper(c) || (c >= 'a' && c <= 'z') || c == '_';
}

constexpr std::string_view trimmed(std::string_view s) {
    constexpr std::string_view blanks = " \t\r";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Field k (from 0) of a tab-separated line; false when the line has fewer fields.
constexpr bool field(std::string_view line, int k, std::string_view& out) {
    for (; k > 0; --k) {
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos) return false;
        line.remove_prefix(tab + 1);
    }
    out = line.substr(0, line.find('\t'));
    return true;
}

// "B12": one to three capital letters, then a row from 1, inside Excel's sheet.
constexpr bool isCellAddress(std::string_view s) {
    size_t i = 0;
    long col = 0, row = 0;
    while (i < s.size() && isUpper(s[i]) && i < 3)
        col = col * 26 + (s[i++] - 'A' + 1);
    if (i == 0 || i == s.size() || s[i] == '0') return false;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i]) || row > 1048576) return false;
        row = row * 10 + (s[i] - '0');
    }
    return col <= 16384 && row <= 1048576;
}

constexpr bool isColumnName(std::string_view s) {
    if (s.empty() || isDigit(s[0])) return false;
    for (char c : s)
        if (!isNameChar(c)) return false;
    return true;
}

// "TEXT" or "VARCHAR(n)" with n from 1.
constexpr bool isColumnType(std::string_view s) {
    if (s == "TEXT") return true;
    constexpr std::string_view open = "VARCHAR(";
    if (!s.starts_with(open) || !s.ends_with(')')) return false;
    const std::string_view n = s.substr(open.size(), s.size() - open.size() - 1);
    if (n.empty() || n[0] == '0') return false;
    for (char c : n)
        if (!isDigit(c)) return false;
    return true;
}

} // namespace detail

// The line (from 1) of the first line that is neither blank, a comment ("#"), a title line (title, table 1 to 3, the
// title; once per table) nor a cell line (cell, table 1 to 3, A1 address, column name, TEXT or VARCHAR(n), label);
// the number of lines + 1 when a table lacks its title or its cells; 0 for a good map.
constexpr int firstBadLine(std::string_view text) {
    using namespace detail;
    bool titled[3] = {false, false, false};
    int cells[3] = {0, 0, 0};
    int number = 0;
    for (size_t start = 0; start <= text.size(); ++number) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (trimmed(line).empty() || trimmed(line).starts_with('#')) continue;
        std::string_view kind, table, a, b, c, d;
        if (!field(line, 0, kind) || !field(line, 1, table) || table.size() != 1 || table[0] < '1' || table[0] > '3')
            return number + 1;
        const int n = table[0] - '1';
        if (kind == "title" && field(line, 2, a) && !a.empty() && !titled[n]) {
            titled[n] = true;
        } else if (kind == "cell" && field(line, 2, a) && field(line, 3, b) && field(line, 4, c) && field(line, 5, d) &&
                   isCellAddress(a) && isColumnName(b) && isColumnType(c) && !trimmed(d).empty()) {
            ++cells[n];
        } else {
            return number + 1;
        }
    }
    for (int n = 0; n < 3; ++n)
        if (!titled[n] || cells[n] == 0) return number + 1;
    return 0;
}

} // namespace maternity::cellmap
