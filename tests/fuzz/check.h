#pragma once

// A property that does not hold is a crash, which libFuzzer keeps as a finding.
inline void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}
