// Counted references held by Ref and by single owners: every reference a holder takes it gives
// back, and none more.
#include "gui/Ref.h"
#include "gui/CRefCounted.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace tovrel::test {
namespace {

// Counts its own destruction, so that a test sees when the last reference went.
class Counted : public CRefCounted {
public:
    explicit Counted(int* destructions) : destroyed(destructions) {}
    ~Counted() override { ++*destroyed; }

private:
    int* destroyed;
};

TEST(RefHolding, MadeObjectLivesAsLongAsItsHolder) {
    int destroyed = 0;
    {
        const Ref<Counted> held = makeRef<Counted>(&destroyed);
        EXPECT_EQ(held->getRefCount(), 1); // the creator's reference, taken over
        EXPECT_TRUE(held);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefHolding, SharingCopyingAndMovingKeepTheCountExact) {
    int destroyed = 0;
    Ref<Counted> creator = makeRef<Counted>(&destroyed);
    Counted* object = creator.get();
    {
        Ref<Counted> shared(object);
        EXPECT_EQ(object->getRefCount(), 2);
        Ref<Counted> copy = shared;
        EXPECT_EQ(object->getRefCount(), 3);
        Ref<Counted> moved = std::move(copy);
        EXPECT_EQ(object->getRefCount(), 3);
        EXPECT_FALSE(copy);
        copy = moved;
        EXPECT_EQ(object->getRefCount(), 4);
        // Moving onto a holder of the same object gives back the reference it held.
        moved = std::move(copy);
        EXPECT_EQ(object->getRefCount(), 3);
        EXPECT_EQ(moved.get(), object);
    }
    EXPECT_EQ(object->getRefCount(), 1);
    EXPECT_EQ(destroyed, 0);
    creator.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(RefHolding, BaseHoldersShareOrTakeOverWhatDerivedHoldersHeld) {
    int destroyed = 0;
    Ref<Counted> derived = makeRef<Counted>(&destroyed);
    Counted* object = derived.get();
    const Ref<CRefCounted> shared = derived;
    EXPECT_EQ(object->getRefCount(), 2);
    Ref<CRefCounted> taken = std::move(derived);
    EXPECT_FALSE(derived);
    EXPECT_EQ(object->getRefCount(), 2);
    // Detached, the reference is the caller's until a holder adopts it again.
    CRefCounted* detached = taken.detach();
    EXPECT_FALSE(taken);
    EXPECT_EQ(object->getRefCount(), 2);
    taken = Ref<CRefCounted>::adopt(detached);
    taken.reset();
    EXPECT_EQ(object->getRefCount(), 1);
    EXPECT_EQ(destroyed, 0);
}

TEST(RefHolding, ResettingToTheObjectAlreadyHeldKeepsItAlive) {
    int firstDestroyed = 0;
    int secondDestroyed = 0;
    Ref<Counted> held = makeRef<Counted>(&firstDestroyed);
    held.reset(held.get()); // its only reference: giving it back first would free it
    EXPECT_EQ(firstDestroyed, 0);
    EXPECT_EQ(held->getRefCount(), 1);

    const Ref<Counted> second = makeRef<Counted>(&secondDestroyed);
    held.reset(second.get());
    EXPECT_EQ(firstDestroyed, 1);
    EXPECT_EQ(second->getRefCount(), 2);
    held.reset();
    EXPECT_FALSE(held);
    EXPECT_EQ(second->getRefCount(), 1);
    EXPECT_EQ(secondDestroyed, 0);
}

TEST(RefHolding, SingleOwnerGivesBackOneReferenceInsteadOfDeleting) {
    int destroyed = 0;
    UniqueRef<Counted> owner = makeUniqueRef<Counted>(&destroyed);
    Ref<Counted> elsewhere(owner.get()); // a second holder somewhere else
    owner.reset();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(elsewhere->getRefCount(), 1);
    elsewhere.reset();
    EXPECT_EQ(destroyed, 1);
}

} // namespace
} // namespace tovrel::test
