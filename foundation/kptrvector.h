// kPtrVector<T>: growable array of pointers, 50 slots at a time.
#pragma once
#include <stdlib.h>

// The vector stores pointers only; whoever owns the vector owns the objects
// and destroys them (destroy_all) before discarding it. The layout (items,
// spare, count, capacity, step) is shared with the script library.
template <class T>
class kPtrVector {
public:
    T** items;
    T* spare;  // always null: handed out when the array cannot grow
    unsigned int count;
    unsigned int capacity;
    unsigned int step;

    kPtrVector() : items(nullptr), spare(nullptr), count(0), capacity(0), step(50) {
        items = (T**)calloc(step, sizeof(T*));
        if (items)
            capacity = step;
    }
    ~kPtrVector() { free(items); }
    kPtrVector(const kPtrVector&) = delete;
    kPtrVector& operator=(const kPtrVector&) = delete;

    // Adds p at the end; its index, or -1 when the array could not grow.
    int append(T* p) {
        if (count >= capacity) {
            unsigned int grown = capacity + step;
            if (grown < capacity || grown > 0x3FFFFFFFu)
                return -1;
            T** bigger = (T**)realloc(items, grown * sizeof(T*));
            if (!bigger)
                return -1;
            for (unsigned int i = capacity; i < grown; i++)
                bigger[i] = nullptr;
            items = bigger;
            capacity = grown;
        }
        items[count] = p;
        return (int)count++;
    }

    // Slot i; an index at or past the end first grows the array to exactly
    // i + 1 slots. When that fails, the null spare slot is handed out.
    T*& operator[](unsigned long i) {
        if (i >= count) {
            if (i >= 0x3FFFFFFFul)
                return spare = nullptr, spare;
            T** bigger = (T**)realloc(items, (i + 1) * sizeof(T*));
            if (!bigger)
                return spare = nullptr, spare;
            for (unsigned long k = count; k <= i; k++)
                bigger[k] = nullptr;
            items = bigger;
            count = capacity = (unsigned int)(i + 1);
        }
        return items[i];
    }

    // Deletes every element and empties the vector (the slots stay).
    void destroy_all() {
        for (unsigned int i = 0; i < count; i++) {
            delete items[i];
            items[i] = nullptr;
        }
        count = 0;
    }
};
