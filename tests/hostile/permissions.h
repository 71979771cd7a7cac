#pragma once
// File permissions in a test process that may run as root. Root reads a
// file of mode 000 through CAP_DAC_OVERRIDE; dropping that capability (and
// CAP_DAC_READ_SEARCH) from the calling thread's effective set makes root
// meet the owner bits like anyone else, so unreadable folders can be tested
// on CI too. The permitted set keeps them, so they come back afterwards.
#include <QString>

namespace soru::test {

class OwnerPermissionsEnforced {
public:
    OwnerPermissionsEnforced();
    ~OwnerPermissionsEnforced();
    OwnerPermissionsEnforced(const OwnerPermissionsEnforced&) = delete;
    OwnerPermissionsEnforced& operator=(const OwnerPermissionsEnforced&) = delete;

    // Whether a file of mode 000 now refuses to be opened by this thread.
    bool apply() const { return apply_; }
    // For the test log: who we are and what is checked.
    QString description() const { return description_; }

private:
    bool dropped_ = false;
    bool apply_ = false;
    QString description_;
};

} // namespace soru::test
