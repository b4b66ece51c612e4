// The settings word on its own, one test per line of its contract.
#include "engine/SettingsWord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <thread>

namespace tovrel {
namespace {

constexpr uint64_t kLowHalf = 0xFFFFFFFFu;

uint32_t lowOf(uint64_t word) {
    return static_cast<uint32_t>(word);
}
uint32_t highOf(uint64_t word) {
    return static_cast<uint32_t>(word >> 32);
}

// Two writers count up each in its own half of the word, both at once, while a reader watches:
// no update is lost (each count ends at its writer's last value) and none is undone (no count the
// reader sees ever goes back). Each writer's function gives up the processor now and then while it
// computes, so that the other's updates land in the middle of it even on a machine that runs one
// thread at a time.
TEST(SettingsWord, UpdatesOfDifferentFieldsAreNeitherLostNorUndone) {
    constexpr uint32_t kUpdates = 5000;
    SettingsWord word;
    std::atomic<int> ready{0};
    std::atomic<bool> done{false};
    auto writer = [&](int shift) {
        ready.fetch_add(1);
        while (ready.load() < 3)
            std::this_thread::yield();
        for (uint32_t i = 0; i < kUpdates; ++i)
            word.update([shift, i](uint64_t old) {
                if (i % 8 == 0)
                    std::this_thread::yield();
                return old + (uint64_t{1} << shift);
            });
    };
    bool wentBack = false;
    std::thread reader([&]() {
        uint64_t last = 0;
        ready.fetch_add(1);
        while (!done.load()) {
            const uint64_t seen = word.load();
            wentBack |= lowOf(seen) < lowOf(last) || highOf(seen) < highOf(last);
            last = seen;
        }
    });
    std::thread low(writer, 0);
    std::thread high(writer, 32);
    low.join();
    high.join();
    done.store(true);
    reader.join();
    EXPECT_EQ(lowOf(word.load()), kUpdates);
    EXPECT_EQ(highOf(word.load()), kUpdates);
    EXPECT_FALSE(wentBack);
}

// A writer stopped inside update(), in the middle of computing its word, holds up neither a
// reader nor another writer; once it goes on, it computes again from the word the other writer
// installed and keeps that writer's field. (Were anyone to wait for it, the wait below would
// never end: the stopped writer is released only afterwards. The generous limit only turns such a
// hang into a failure.)
TEST(SettingsWord, AWriterStoppedInsideUpdateHoldsUpNobody) {
    SettingsWord word(0x0000000100000001u);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> inside{false};
    int calls = 0;
    std::thread stopped([&]() {
        word.update([&](uint64_t old) {
            ++calls;
            inside.store(true);
            released.wait();
            return (old & ~kLowHalf) | 7u;
        });
    });
    while (!inside.load())
        std::this_thread::yield();
    auto other = std::async(std::launch::async, [&]() {
        const uint64_t seen = word.load();
        word.update([](uint64_t old) { return (old & kLowHalf) | (uint64_t{9} << 32); });
        return seen;
    });
    const bool completed = other.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    release.set_value();
    stopped.join();
    ASSERT_TRUE(completed) << "a reader or a writer waited for the stopped writer";
    EXPECT_EQ(other.get(), 0x0000000100000001u);
    EXPECT_EQ(word.load(), 0x0000000900000007u);
    EXPECT_EQ(calls, 2) << "the stopped writer computes once more from the other writer's word";
}

// Writers install only words whose halves are each other's complement, in both orders; readers
// on other threads must only ever see such words, never the halves of two (on 32-bit builds a
// 64-bit word that is not moved whole comes apart here). The writers go on until each reader has
// seen the word change under it many times, so that writes have landed between its reads, and
// inside them were the reads not whole, whether the threads run side by side or take turns.
TEST(SettingsWord, ReadersSeeOnlyWholeInstalledWords) {
    constexpr long kChangesSeen = 20000;
    constexpr long kMostWrites = 4000000;
    const uint64_t patterns[] = {0x00000000FFFFFFFFu, 0xFFFFFFFF00000000u, 0x12345678EDCBA987u,
                                 0xEDCBA98712345678u};
    SettingsWord word(patterns[0]);
    std::atomic<bool> done{false};
    std::atomic<long> torn{0};
    std::atomic<long> changes[2] = {{0}, {0}};
    std::atomic<long> writes{0};
    auto reader = [&](int n) {
        uint64_t last = word.load();
        while (!done.load(std::memory_order_relaxed)) {
            const uint64_t seen = word.load();
            if (highOf(seen) != ~lowOf(seen))
                torn.fetch_add(1);
            if (seen != last)
                changes[n].fetch_add(1, std::memory_order_relaxed);
            last = seen;
        }
    };
    auto writer = [&](int first) {
        for (long i = 0; changes[0].load(std::memory_order_relaxed) < kChangesSeen ||
                         changes[1].load(std::memory_order_relaxed) < kChangesSeen;
             ++i) {
            if (writes.fetch_add(1, std::memory_order_relaxed) >= kMostWrites)
                break;
            const uint64_t next = patterns[(first + i) % 4];
            word.update([next](uint64_t) { return next; });
        }
    };
    std::thread readerA(reader, 0);
    std::thread readerB(reader, 1);
    std::thread writerA(writer, 0);
    std::thread writerB(writer, 1);
    writerA.join();
    writerB.join();
    done.store(true);
    readerA.join();
    readerB.join();
    EXPECT_GT(changes[0].load() + changes[1].load(), 0) << "no write landed while the readers read";
    EXPECT_EQ(torn.load(), 0) << "changes seen " << changes[0].load() << " and " << changes[1].load();
}

} // namespace
} // namespace tovrel
