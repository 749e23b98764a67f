// Text helpers of the test tables and scenario files: a file's lines, fields split at a
// delimiter, and escapes for the bytes a table cannot hold.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace support {

inline std::vector<std::string> Lines(const std::string& APath) {
    std::ifstream in(APath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> Split(const std::string& AText, char ADelim) {
    std::vector<std::string> out;
    for (size_t a = 0, b = 0; b != std::string::npos; a = b + 1)
        out.push_back(AText.substr(a, (b = AText.find(ADelim, a)) - a));
    return out;
}

// \r \n \b \t \e \0 \\ and \xNN stand for bytes, \. for nothing (ends an empty field), {N*text}
// for N copies.
inline std::string Unescape(const std::string& A) {
    static const std::string escape = "rnbte0", byte("\r\n\b\t\x1b\0", 6);
    std::string o;
    for (size_t i = 0, star = 0, end = 0; i < A.size(); ++i)
        if (A[i] == '{' && (star = A.find('*', i)) < (end = A.find('}', i)) &&
            end != std::string::npos) {
            const std::string unit = Unescape(A.substr(star + 1, end - star - 1));
            for (auto n = std::stoul(A.substr(i + 1, star - i - 1)); n > 0; --n)
                o += unit;
            i = end;
        } else if (A[i] != '\\' || i + 1 == A.size())
            o += A[i];
        else if (const char c = A[++i]; c == 'x')
            o += char(std::stoi(A.substr(i + 1, 2), nullptr, 16)), i += 2;
        else if (c != '.')
            o += escape.find(c) < escape.size() ? byte[escape.find(c)] : c;
    return o;
}

// A table: a row a line, fields separated by one tab and unescaped, "#" starts a comment line.
inline std::vector<std::vector<std::string>> Table(const std::string& APath) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(APath))
        if (!line.empty() && line[0] != '#') rows.push_back(Split(line, '\t'));
    for (auto& row : rows)
        for (std::string& field : row)
            field = Unescape(field);
    return rows;
}

} // namespace support
