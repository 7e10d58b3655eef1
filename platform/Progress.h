#pragma once
// What a long operation (reading, writing, filtering, scanning, printing)
// reports as it goes, whoever shows it: what it is doing, how far it is,
// and, in the answer, whether it should go on.
#include <QString>

#include <functional>

namespace platform {

struct ProgressStep {
    QString what;       // shown as given: a file's name keeps its case
    long long done = 0; // how far, in units of `total`
    long long total = 100; // 0: how far is not known
};

// Called by the work as it goes; false asks the work to stop.
using Progress = std::function<bool(const ProgressStep &step)>;

} // namespace platform
