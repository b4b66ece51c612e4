#include "StressHost.h"

#include <gtest/gtest.h>

namespace tovrel::test {

bool StressHost::load() {
    if (!sharedLibrary.load(TOVREL_STRESS_PLUGIN)) {
        ADD_FAILURE() << sharedLibrary.error();
        return false;
    }
    return true;
}

std::unique_ptr<HostedEffect> StressHost::openEffect(float sampleRate) const {
    auto hosted = std::make_unique<HostedEffect>();
    if (!hosted->open(sharedLibrary))
        return nullptr;
    hosted->setSampleRate(sampleRate);
    hosted->setBlockSize(4096);
    hosted->resume();
    return hosted;
}

} // namespace tovrel::test
