// The movability test of the run loop: may an IBB leave the tract that holds
// it (its donor) without splitting the donor into pieces?
#pragma once

#include <cstdint>

namespace qel {

// The contacts of IBB m are the building blocks in m's neighbour list that lie
// in an IBB of the donor (the outside and blocks in no IBB never count).
//
// - No contact: not movable. One contact: movable.
// - Two or more: the pairs of contacts that neighbour each other are listed,
//   each pair once whichever end finds it. The contacts must form one chain:
//   every contact in some pair, exactly two contacts (the chain's ends) in
//   exactly one pair, and a walk along the pairs from one end reaching every
//   contact. A ring, a fork or two separate arcs answer no.
//
// Why that suffices: every IBB of the donor that touches m holds a contact,
// and neighbouring contacts lie in the same or in neighbouring IBBs, so the
// donor's IBBs around m stay joined without m; any other path through m can
// be rerouted through them. The test is local and may refuse a move that
// would have been safe, never the reverse.
bool IsMovable(int16_t intIBB, int16_t intDonor);

}  // namespace qel
