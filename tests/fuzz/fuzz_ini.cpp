// The INI layer on any file and any writes: a stored value reads back as written, a write changes
// no other key, and a batch makes of the file exactly what the same writes one by one make.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "tests/fuzz/check.h"
#include "tests/support/temp_folder.h"

namespace {

const char kAbsent[] = "\x01(absent)";
const TempFolder folder("/dev/shm");

// A name as the look-up compares it: without surrounding blanks, ASCII letters in lower case.
std::string Normal(std::string name) {
    const size_t first = name.find_first_not_of(" \t");
    name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" \t") - first + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return name;
}

struct Write {
    std::string section, key, value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string original = input.ConsumeRandomLengthString(4096);
    const std::string probeSection = input.ConsumeRandomLengthString(32);
    const std::string probeKey = input.ConsumeRandomLengthString(32);
    std::vector<Write> writes(input.ConsumeIntegralInRange<size_t>(1, 6));
    for (Write& w : writes) {
        w.section = input.ConsumeRandomLengthString(32);
        w.key = input.ConsumeRandomLengthString(32);
        w.value = input.ConsumeRandomLengthString(64);
    }
    const std::string one = folder.Write("one.ini", original),
                      batched = folder.Write("batched.ini", original);
    // Files changed behind the cache's back within one clock tick: a stored write clears it.
    WriteIniString("s", "k", "v", folder.File("reset.ini"));

    std::string probe = GetIniString(probeSection, probeKey, kAbsent, one);
    bool allStored = true;
    for (const Write& w : writes) {
        WriteIniString(w.section, w.key, w.value, one);
        const bool stored = !LastIniWriteFailed();
        allStored = allStored && stored;
        Check(!stored || GetIniString(w.section, w.key, kAbsent, one) == w.value);
        if (stored && Normal(w.section) == Normal(probeSection) && Normal(w.key) == Normal(probeKey)) {
            probe = w.value;
        }
        Check(GetIniString(probeSection, probeKey, kAbsent, one) == probe);
    }

    CIniWriteBatch batch(batched);
    for (const Write& w : writes) {
        WriteIniString(w.section, w.key, w.value, batched);
    }
    Check(batch.Commit() == allStored);
    Check(folder.Read(batched) == (allStored ? folder.Read(one) : original));
    return 0;
}
