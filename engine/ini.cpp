#include "engine/ini.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>
#include <unordered_map>

#include "engine/platform/ini_file.h"
#include "engine/platform/paths.h"

namespace {

constexpr size_t kMaxValueLength = 1023;

thread_local bool lastWriteFailed = false;

// The host paths of the files this thread has a batch of, by the names the batches were given:
// resolving a name looks at the disk, once per key without this.
thread_local std::unordered_map<std::string, std::string> batchPaths;

// The same for the write batches alone: a write goes to the user's copy, which a read batch of
// the same name may not be reading.
thread_local std::unordered_map<std::string, std::string> writeBatchPaths;

std::string HostPath(const std::string& file) {
    const auto known = batchPaths.find(file);
    return known != batchPaths.end() ? known->second : ResolvePath(file);
}

bool FindIniValue(const std::string& section, const std::string& key, const std::string& file,
                  std::string& value) {
    if (!ReadIniValue(HostPath(file), section, key, value)) {
        return false;
    }
    value.resize(std::min(value.size(), kMaxValueLength));
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipWhiteSpace(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i;
}

size_t CountDigits(const std::string& text, size_t from) {
    size_t count = 0;
    while (from + count < text.size() && IsDigit(text[from + count])) {
        ++count;
    }
    return count;
}

bool IsSign(const std::string& text, size_t at) {
    return at < text.size() && (text[at] == '+' || text[at] == '-');
}

}  // namespace

std::string GetIniString(std::string section, std::string key, std::string defaultText, std::string file) {
    std::string value;
    if (FindIniValue(section, key, file, value)) {
        return value;
    }
    defaultText.erase(defaultText.find_last_not_of(" \t") + 1);
    defaultText.resize(std::min(defaultText.size(), kMaxValueLength));
    return defaultText;
}

int GetIniInt(std::string section, std::string key, int def, std::string file) {
    // A missing key gives `def` itself: as text, a default of a million or more would have an
    // exponent and come back as its first digit.
    std::string value;
    return FindIniValue(section, key, file, value) ? TextToInt(value, def) : def;
}

double GetIniDouble(std::string section, std::string key, double def, std::string file) {
    return TextToDouble(GetIniString(section, key, NumberToText(def), file), def);
}

bool GetIniBool(std::string section, std::string key, bool def, std::string file) {
    return GetIniString(section, key, def ? "1" : "0", file) == "1";
}

void WriteIniString(std::string section, std::string key, std::string value, std::string file) {
    const auto batch = writeBatchPaths.find(file);
    const std::string path = batch != writeBatchPaths.end() ? batch->second : PrepareWritePath(file);
    lastWriteFailed = !WriteIniValue(path, section, key, value);
}

void WriteIniInt(std::string section, std::string key, int v, std::string file) {
    // Written in full: NumberToText would give 1234567 as 1.23457e+006, which reads back as 1.
    WriteIniString(section, key, std::to_string(v), file);
}

void WriteIniDouble(std::string section, std::string key, double v, std::string file) {
    WriteIniString(section, key, NumberToText(v), file);
}

void WriteIniBool(std::string section, std::string key, bool v, std::string file) {
    WriteIniString(section, key, v ? "1" : "0", file);
}

bool LastIniWriteFailed() {
    return lastWriteFailed;
}

// Writes go to the user's copy; reads of the file during the batch find the same copy there.
CIniWriteBatch::CIniWriteBatch(std::string file)
    : name(file), path(PrepareWritePath(file)), open(OpenIniBatch(path)) {
    if (open) {
        batchPaths.emplace(name, path);
        writeBatchPaths.emplace(name, path);
    }
}

CIniWriteBatch::CIniWriteBatch(std::string file, const std::string& text)
    : name(file), path(PrepareWritePath(file)), open(OpenIniBatch(path, text)) {
    if (open) {
        batchPaths.emplace(name, path);
        writeBatchPaths.emplace(name, path);
    }
}

CIniWriteBatch::~CIniWriteBatch() {
    if (open) {
        DropIniBatch(path);
        batchPaths.erase(name);
        writeBatchPaths.erase(name);
    }
}

bool CIniWriteBatch::Commit() {
    const bool wasOpen = open;
    open = false;
    if (wasOpen) {
        batchPaths.erase(name);
        writeBatchPaths.erase(name);
    }
    return wasOpen && CommitIniBatch(path);
}

CIniReadBatch::CIniReadBatch(std::string file) : name(file), path(ResolvePath(file)) {
    // A name some batch of this thread already holds keeps that batch's path and content.
    if (batchPaths.emplace(name, path).second) {
        OpenIniReadBatch(path);
    } else {
        name.clear();
    }
}

CIniReadBatch::~CIniReadBatch() {
    if (!name.empty()) {
        CloseIniReadBatch(path);
        batchPaths.erase(name);
    }
}

bool FileExists(std::string path) {
    return IsReadableFile(ResolvePath(path));
}

std::string GetCurrentDir() {
    return WorkingDirectory();
}

std::string MakeAbsolutePath(std::string path) {
    return ResolvePath(path);
}

std::string NumberToText(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    std::string text = buffer;
    // The stored files have exponents of at least three digits, as the Windows C library wrote them.
    const size_t e = text.find('e');
    if (e != std::string::npos) {
        const size_t digits = e + 2;
        text.insert(digits, 3 - std::min<size_t>(3, text.size() - digits), '0');
    }
    return text;
}

int TextToInt(std::string text, int fallback) {
    size_t i = SkipWhiteSpace(text);
    const bool negative = IsSign(text, i) && text[i] == '-';
    i += IsSign(text, i) ? 1 : 0;
    const size_t digits = CountDigits(text, i);
    if (digits == 0) {
        return fallback;
    }
    long long magnitude = 0;
    for (size_t k = i; k < i + digits; ++k) {
        magnitude = magnitude * 10 + (text[k] - '0');
        if (magnitude > -static_cast<long long>(INT_MIN)) {
            return fallback;
        }
    }
    const long long value = negative ? -magnitude : magnitude;
    return value > INT_MAX ? fallback : static_cast<int>(value);
}

double TextToDouble(std::string text, double fallback) {
    // Only sign, digits, point, digits and exponent: no hexadecimal, infinity or NaN.
    const size_t start = SkipWhiteSpace(text);
    size_t i = start + (IsSign(text, start) ? 1 : 0);
    const size_t integerDigits = CountDigits(text, i);
    i += integerDigits;
    size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        fractionDigits = CountDigits(text, i + 1);
        i += 1 + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0) {
        return fallback;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const size_t exponent = i + 1 + (IsSign(text, i + 1) ? 1 : 0);
        const size_t exponentDigits = CountDigits(text, exponent);
        if (exponentDigits > 0) {
            i = exponent + exponentDigits;
        }
    }
    // from_chars reads no "+" sign, but unlike strtod it ignores the locale.
    const size_t first = start + (text[start] == '+' ? 1 : 0);
    double value = fallback;
    const std::from_chars_result result = std::from_chars(text.data() + first, text.data() + i, value);
    return result.ec == std::errc() ? value : fallback;
}

std::string ReplaceAll(std::string text, std::string from, std::string to) {
    if (from.empty() || text.empty()) {
        return text;
    }
    std::string result;
    size_t done = 0;
    for (size_t hit = text.find(from); hit != std::string::npos; hit = text.find(from, done)) {
        result.append(text, done, hit - done);
        result += to;
        done = hit + from.size();
    }
    result.append(text, done);
    return result;
}

int CompareText(std::string a, std::string b, bool ignoreCase) {
    if (ignoreCase) {
        for (std::string* text : {&a, &b}) {
            for (char& c : *text) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
    }
    return a.compare(b);
}
