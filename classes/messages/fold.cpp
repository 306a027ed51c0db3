// fold: reflects a float, or each element of a list, back into the range
// between two bounds, as often as needed.
#include "range_class.hpp"

VESH_SETUP {
    vesh::range_messages::setup<vesh::fold>();
}
