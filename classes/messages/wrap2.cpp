// wrap2: wraps a float, or each element of a list, into the range from the
// lower bound up to (not including) the upper bound.
#include "range_class.hpp"

VESH_SETUP {
    vesh::range_messages::setup<vesh::wrap2>();
}
