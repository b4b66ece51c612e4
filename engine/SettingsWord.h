#pragma once

#include <atomic>
#include <cstdint>

namespace tovrel {

// One 64-bit word of settings, handed from any number of writing threads to any number of
// readers, the audio thread among them. Whatever the word packs (a level, a rate, an owner's
// bookkeeping), it changes as a whole.
//
// Writers: any threads, any number at once, through update(). An update reads the whole word,
// computes its successor with the caller's function and installs it with one compare-and-swap;
// if another update landed in between, it computes again from the new word. So no update is lost
// or undone by another: once all updates have returned, the word is what applying each of them
// once, in the order in which they landed, gives. The function may run more than once and must
// only compute (no side effects).
// (SettingsWord.UpdatesOfDifferentFieldsAreNeitherLostNorUndone)
// Waiting: nobody waits for anybody. There is no lock; an update retries only because another
// update completed, and a writer suspended anywhere inside update() holds up no other writer and
// no reader. (SettingsWord.AWriterStoppedInsideUpdateHoldsUpNobody)
// Readers: load() and loadRelaxed() are one atomic load of a word that some update installed,
// never a mix of two, on 32-bit builds too (the word is lock-free there: cmpxchg8b on x86).
// (SettingsWord.ReadersSeeOnlyWholeInstalledWords, also run as 32-bit code)
// Deliberate: atomics where the documented design has none (docs/deliberate-choices.md).
class SettingsWord {
public:
    explicit constexpr SettingsWord(std::uint64_t initial = 0) : word(initial) {}

    SettingsWord(const SettingsWord&) = delete;
    SettingsWord& operator=(const SettingsWord&) = delete;

    std::uint64_t load() const { return word.load(std::memory_order_acquire); }
    // The same word, for a reader that takes nothing else from the writers than the word itself
    // (the audio thread, every frame): no ordering against its other memory accesses.
    std::uint64_t loadRelaxed() const { return word.load(std::memory_order_relaxed); }

    // Installs next(old) for the word old in force when it lands; returns what it installed.
    template <typename Next> std::uint64_t update(Next next) {
        std::uint64_t seen = word.load(std::memory_order_relaxed);
        for (;;) {
            const std::uint64_t wanted = next(seen);
            if (word.compare_exchange_weak(seen, wanted, std::memory_order_acq_rel,
                                           std::memory_order_relaxed))
                return wanted;
        }
    }

private:
    std::atomic<std::uint64_t> word;
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
                  "settings must never be handed over through a lock, on any build");
};

} // namespace tovrel
