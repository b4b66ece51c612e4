#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tovrel::test {

// The index of a virtual function in its class's table. Under the Itanium C++ ABI, which GCC uses
// on Linux and with MinGW, a pointer to a virtual member function holds 1 + the byte offset of
// the function's slot in the table and a `this` adjustment, 0 for the class's primary table.
// -1 for a function that is not virtual or not in the primary table.
template <typename Method> std::ptrdiff_t slotIndex(Method method) {
    static_assert(sizeof(Method) == 2 * sizeof(std::uintptr_t), "an Itanium member function pointer");
    std::uintptr_t words[2];
    std::memcpy(words, &method, sizeof(words));
    if ((words[0] & 1u) == 0 || words[1] != 0)
        return -1;
    return static_cast<std::ptrdiff_t>((words[0] - 1) / sizeof(void*));
}

// One row of a class's table of virtual operations: its name, the slot the table gives it and
// the index the compiler gave it.
struct SlotRow {
    const char* name;
    int slot;
    std::ptrdiff_t index;
};

template <typename Method> SlotRow slotRow(const char* name, int slot, Method method) {
    return {name, slot, slotIndex(method)};
}

// What is wrong with the compiled order of a table's rows, or nothing: the first row at its slot
// plus `lead`, each later row further on, and directly after the row before where the table
// numbers them so. The lead is 1 where slot 0 is a virtual destructor, which takes two entries.
inline std::string slotOrderFault(const std::vector<SlotRow>& rows, std::ptrdiff_t lead) {
    for (size_t i = 0; i < rows.size(); ++i) {
        const SlotRow& row = rows[i];
        if (row.index < 0)
            return std::string(row.name) + " is not a virtual operation of the class's own table";
        if (i == 0) {
            if (row.index != row.slot + lead)
                return std::string(row.name) + " is at index " + std::to_string(row.index) +
                       ", not at its slot " + std::to_string(row.slot);
            continue;
        }
        const SlotRow& before = rows[i - 1];
        if (row.index <= before.index)
            return std::string(row.name) + " comes before " + before.name;
        if (row.slot == before.slot + 1 && row.index != before.index + 1)
            return std::string(row.name) + " does not follow " + before.name + " directly";
    }
    return {};
}

} // namespace tovrel::test
