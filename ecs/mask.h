// Component masks: bitsets of ComponentIds, one 32-bit word per 32 ids, id i being bit i % 32 of word
// i / 32. A mask keeps the word count it was built with; masks of different lengths compare as if the
// shorter one were padded with zero words.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "ecs/ecs.h"

namespace novra {

constexpr int32_t archetype_bucket_count = 37;

// A mask built for one lookup or creation, and how many of its set bits are data components.
struct ComponentMask {
    uint32_t* words;  // null when the mask could not be built
    int32_t word_count;
    int32_t data_count;
};

// Words of a mask built now: (registered count >> 5) + 1, so 32 types already need a second word.
int32_t mask_word_count();

// Takes id_count ComponentIds from `ids` and sets their bits in a fresh, zeroed mask of mask_word_count()
// words, which the caller frees. words is null when id_count < 0, an id is not registered, or the
// allocation fails.
ComponentMask mask_build(int32_t id_count, std::va_list* ids);

// Word i of a mask, 0 past its end.
inline uint32_t mask_word(const uint32_t* mask, int32_t mask_words, int32_t i) {
    return i < mask_words ? mask[i] : 0;
}

// Whether the two masks hold the same ids, whatever their lengths.
bool mask_equal(const uint32_t* a, int32_t a_words, const uint32_t* b, int32_t b_words);

// Bucket 0 to 36 of the ArchetypeTable: the sum of the words' signed remainders by 331, taken by 37.
// Trailing zero words do not change it.
int32_t mask_bucket(const uint32_t* mask, int32_t mask_words);

}  // namespace novra
