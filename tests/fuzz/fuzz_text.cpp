// The text conversions every typed value of the data files goes through, against the C library.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/ini.h"
#include "tests/fuzz/check.h"

namespace {

// What TextToInt promises, told by strtoll: a fallback for no number or one out of range.
int ReferenceInt(const std::string& text, int fallback) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || v < INT_MIN || v > INT_MAX) {
        return fallback;
    }
    return static_cast<int>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int number = input.ConsumeIntegral<int>();
    const double real = input.ConsumeFloatingPoint<double>();
    const std::string a = input.ConsumeRandomLengthString(64);
    const std::string b = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    Check(TextToInt(std::to_string(number), -7) == number);
    // strtoll stops at a NUL, so only texts without one compare.
    if (text.find('\0') == std::string::npos) {
        Check(TextToInt(text, -7) == ReferenceInt(text, -7));
    }
    // Only decimal numbers: neither infinity nor NaN comes out of any text.
    Check(std::isfinite(TextToDouble(text, 0.5)));
    if (std::isfinite(real)) {
        const double back = TextToDouble(NumberToText(real), std::nan(""));
        Check(std::fabs(back - real) <= std::fabs(real) * 1e-5 || std::fabs(real) < 1e-300);
    }

    Check(ReplaceAll(text, a, a) == text);
    ReplaceAll(text, a, b);
    Check((CompareText(a, b, true) < 0) == (CompareText(b, a, true) > 0));
    std::string upper = a;
    std::transform(a.begin(), a.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    Check(CompareText(a, upper, true) == 0);
    return 0;
}
