#include "StressHost.h"

#include <gtest/gtest.h>

namespace tovrel::test {

bool StressHost::load() {
    if (!m_library.load(TOVREL_STRESS_PLUGIN)) {
        ADD_FAILURE() << m_library.error();
        return false;
    }
    return true;
}

std::unique_ptr<HostedEffect> StressHost::openEffect(float sampleRate) const {
    auto hosted = std::make_unique<HostedEffect>();
    if (!hosted->open(m_library))
        return nullptr;
    hosted->setSampleRate(sampleRate);
    hosted->setBlockSize(4096);
    hosted->resume();
    return hosted;
}

} // namespace tovrel::test
