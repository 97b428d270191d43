// Links between Systems and the Archetypes they select: one ArchetypeLink in the System's list and one
// SystemLink in the Archetype's list per pair, each naming the other.
#pragma once

#include "ecs/ecs.h"

namespace novra {

// Whether the Archetype has every include component of the System and none of its exclude components.
// Masks of different lengths count the missing words as zero.
bool archetype_matches(const System* system, const Archetype* archetype);

// Appends both entries of the pair. Returns false, leaving both lists as they were, when a block cannot
// be allocated.
bool link_pair(System* system, Archetype* archetype);

// Takes back, from each linked Archetype's list, the partner of every link of a System that is being
// discarded. Each partner must be the last entry of its list.
void system_unlink_all(System* system);

// The same for an Archetype that is being discarded: takes its partners back from the Systems' lists.
void archetype_unlink_all(Archetype* archetype);

}  // namespace novra
